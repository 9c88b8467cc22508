// An MCAP file as the official reader (@mcap/core, from the npm registry,
// pinned in package.json) reads it from its start: one line for each record,
// then whether the reader found the file whole. The tests compare these lines
// with what arm_monitor --record wrote.
// usage: node read_mcap.js FILE
"use strict";
const fs = require("fs");
const { McapStreamReader } = require("@mcap/core");

const reader = new McapStreamReader({ validateCrcs: true });
reader.append(fs.readFileSync(process.argv[2]));
const hex = (bytes) => Buffer.from(bytes).toString("hex");
let messages = 0;
let previous = null;
for (let record; (record = reader.nextRecord()); ) {
  switch (record.type) {
    case "Header":
      console.log(`Header profile="${record.profile}" library="${record.library}"`);
      break;
    case "Schema":
      console.log(`Schema ${record.id} ${record.name} ${record.encoding} ${record.data.length} bytes`);
      break;
    case "Channel":
      console.log(`Channel ${record.id} schema ${record.schemaId} ${record.topic} ` +
                  `${record.messageEncoding} ${JSON.stringify([...record.metadata])}`);
      break;
    case "Message": {
      // Every message is told, but in one line: sequences and times must run on.
      const next = { sequence: record.sequence, time: record.logTime };
      if (record.publishTime !== record.logTime) console.log(`Message ${record.sequence} publish time differs`);
      if (previous && (next.sequence !== previous.sequence + 1 || next.time < previous.time)) {
        console.log(`Message ${record.sequence} out of order`);
      }
      if (messages === 0) console.log(`Message first ${record.sequence} ${hex(record.data)}`);
      previous = next;
      messages += 1;
      break;
    }
    case "Statistics":
      console.log(`Statistics ${record.messageCount} messages, ${record.schemaCount} schema, ` +
                  `${record.channelCount} channel, first ${record.messageStartTime}, ` +
                  `last ${record.messageEndTime}`);
      break;
    default:
      console.log(record.type);
  }
}
console.log(`${messages} messages, last ${previous ? previous.sequence + " at " + previous.time : "none"}`);
console.log(reader.done() ? "whole" : "cut");
