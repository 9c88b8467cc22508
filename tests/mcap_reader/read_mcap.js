// An MCAP file as the official readers (@mcap/core, with @mcap/support's
// decompression and @mcap/nodejs's file access, from the npm registry, pinned
// in package-lock.json) read it. The tests compare these lines with what
// arm_monitor --record wrote.
//
// usage: node read_mcap.js FILE
//          from its start, as a streaming reader does (a cut file too): one
//          line for each record, then whether the reader found the file whole
//        node read_mcap.js --indexed FILE [START END]
//          through its summary and index, as the viewers do: the Header, the
//          Schemas (their data in hex), the Channels, the Statistics, the
//          chunks, the Metadata, then one line for each message, "Message
//          SEQUENCE LOG_TIME PAYLOAD_HEX"; only those logged from START to
//          END (ns, both included) when given
"use strict";
const fs = require("fs");
const { McapIndexedReader, McapStreamReader } = require("@mcap/core");
const { FileHandleReadable } = require("@mcap/nodejs");
const { loadDecompressHandlers } = require("@mcap/support");

const hex = (bytes) => Buffer.from(bytes).toString("hex");
const channelLine = (record) =>
  `Channel ${record.id} schema ${record.schemaId} ${record.topic} ` +
  `${record.messageEncoding} ${JSON.stringify([...record.metadata])}`;
const statisticsLine = (record) =>
  `Statistics ${record.messageCount} messages, ${record.schemaCount} schema, ` +
  `${record.channelCount} channel, ${record.chunkCount} chunks, first ${record.messageStartTime}, ` +
  `last ${record.messageEndTime}`;

async function readStreaming(path, decompressHandlers) {
  const reader = new McapStreamReader({ validateCrcs: true, decompressHandlers });
  reader.append(fs.readFileSync(path));
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
        console.log(channelLine(record));
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
        console.log(statisticsLine(record));
        break;
      default:
        console.log(record.type);
    }
  }
  console.log(`${messages} messages, last ${previous ? previous.sequence + " at " + previous.time : "none"}`);
  console.log(reader.done() ? "whole" : "cut");
}

async function readIndexed(path, range, decompressHandlers) {
  const file = await fs.promises.open(path, "r");
  try {
    const reader = await McapIndexedReader.Initialize({
      readable: new FileHandleReadable(file),
      decompressHandlers,
    });
    console.log(`Header profile="${reader.header.profile}" library="${reader.header.library}"`);
    for (const schema of reader.schemasById.values()) {
      console.log(`Schema ${schema.id} ${schema.name} ${schema.encoding} ${hex(schema.data)}`);
    }
    for (const channel of reader.channelsById.values()) console.log(channelLine(channel));
    if (reader.statistics) console.log(statisticsLine(reader.statistics));
    const compressions = [...new Set(reader.chunkIndexes.map((index) => index.compression))];
    console.log(`${reader.chunkIndexes.length} chunks, compression ${JSON.stringify(compressions)}`);
    for await (const metadata of reader.readMetadata()) {
      console.log(`Metadata ${metadata.name} ${JSON.stringify([...metadata.metadata])}`);
    }
    const times = range ? { startTime: BigInt(range[0]), endTime: BigInt(range[1]) } : {};
    let messages = 0;
    for await (const message of reader.readMessages({ ...times, validateCrcs: true })) {
      console.log(`Message ${message.sequence} ${message.logTime} ${hex(message.data)}`);
      messages += 1;
    }
    console.log(`${messages} messages`);
  } finally {
    await file.close();
  }
}

async function main() {
  const args = process.argv.slice(2);
  const decompressHandlers = await loadDecompressHandlers();
  if (args[0] === "--indexed") {
    await readIndexed(args[1], args.length >= 4 ? args.slice(2, 4) : null, decompressHandlers);
  } else {
    await readStreaming(args[0], decompressHandlers);
  }
}

main().catch((error) => {
  console.error(String(error && error.stack ? error.stack : error));
  process.exit(1);
});
