// The viewers' official client (@foxglove/ws-protocol over ws) watching
// arm_monitor --serve on 127.0.0.1, one line per event:
//
//   node watch_viewer.js PORT COUNT SECONDS [--until-close]
//
//   open PROTOCOL                     the subprotocol the server chose
//   serverInfo JSON                   the serverInfo as the client read it
//   advertise JSON                    the channels advertised
//   subscribed ID                     after the client subscribed to the first channel
//   message ID TIMESTAMP HEX          each message: subscription id, ns, payload
//   status LEVEL MESSAGE
//   close CODE
//   done | timeout
//
// It ends after COUNT messages (with --until-close, once the server closes)
// or after SECONDS, whichever comes first.
"use strict";
const { FoxgloveClient } = require("@foxglove/ws-protocol");
const { WebSocket } = require("ws");

const [port, count, seconds] = process.argv.slice(2, 5).map(Number);
const untilClose = process.argv.includes("--until-close");
const ws = new WebSocket(`ws://127.0.0.1:${port}`, [FoxgloveClient.SUPPORTED_SUBPROTOCOL]);
const client = new FoxgloveClient({ ws });
let received = 0;
let ended = false;

function end(word) {
  if (ended) return;
  ended = true;
  console.log(word);
  clearTimeout(timer);
  if (!untilClose) client.close();
  process.exitCode = word === "done" ? 0 : 2;
}

const timer = setTimeout(() => {
  end("timeout");
  client.close();
}, seconds * 1000);

client.on("open", () => console.log(`open ${ws.protocol}`));
client.on("serverInfo", (info) => console.log(`serverInfo ${JSON.stringify(info)}`));
client.on("advertise", (channels) => {
  console.log(`advertise ${JSON.stringify(channels)}`);
  console.log(`subscribed ${client.subscribe(channels[0].id)}`);
});
client.on("status", (status) => console.log(`status ${status.level} ${status.message}`));
client.on("message", ({ subscriptionId, timestamp, data }) => {
  const bytes = Buffer.from(data.buffer, data.byteOffset, data.byteLength);
  console.log(`message ${subscriptionId} ${timestamp} ${bytes.toString("hex")}`);
  if (++received === count && !untilClose) end("done");
});
client.on("error", (error) => console.log(`error ${error.message}`));
client.on("close", (event) => {
  console.log(`close ${event.code}`);
  if (untilClose && received >= count) end("done");
  else end("timeout");
});
