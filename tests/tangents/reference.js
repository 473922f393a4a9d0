// The reference tangents for a mesh file: node reference.js MESH OUT [--repeat N]
// MESH holds a little-endian uint32 corner count n, then n x 3 positions, n x 3 normals
// and n x 2 texture coordinates as float32, three corners a triangle (the reference takes
// triangles corner by corner and welds equal corners itself). OUT receives n x 4 float32:
// each corner's tangent and sign. Prints {"seconds": S, "cpuSeconds": C, "rssBytes": R}: the
// best time of N calls on the clock and in CPU time (the process's, node's helper threads
// included), and the process's peak resident memory.
'use strict';
const fs = require('fs');
const path = require('path');

function Fail(message) {
  process.stderr.write(`reference.js: ${message}\n`);
  process.exit(2);
}

let generateTangents;
try {
  ({ generateTangents } = require('mikktspace'));
} catch (error) {
  Fail(`the reference (npm mikktspace) is not installed in ${path.join(__dirname, 'node_modules')}:` +
       ` run \`npm ci\` in ${__dirname} (test.sh does): ${error.message}`);
}

const args = process.argv.slice(2);
let repeat = 1;
const repeatAt = args.indexOf('--repeat');
if (repeatAt >= 0) {
  repeat = Number(args[repeatAt + 1]);
  args.splice(repeatAt, 2);
}
if (args.length !== 2 || !(repeat >= 1)) Fail('usage: node reference.js MESH OUT [--repeat N]');

const bytes = fs.readFileSync(args[0]);
const data = new Uint8Array(bytes.length);
data.set(bytes);  // a buffer of its own, so the arrays below start aligned
const n = new DataView(data.buffer).getUint32(0, true);
if (data.length !== 4 + n * 8 * 4) Fail(`${args[0]}: ${data.length} bytes for ${n} corners`);
const positions = new Float32Array(data.buffer, 4, n * 3);
const normals = new Float32Array(data.buffer, 4 + n * 12, n * 3);
const texCoords = new Float32Array(data.buffer, 4 + n * 24, n * 2);

let best = Infinity;
let bestCpu = Infinity;
let tangents;
for (let i = 0; i < repeat; ++i) {
  const start = process.hrtime.bigint();
  const startCpu = process.cpuUsage();
  tangents = generateTangents(positions, normals, texCoords);
  const cpu = process.cpuUsage(startCpu);
  best = Math.min(best, Number(process.hrtime.bigint() - start) / 1e9);
  bestCpu = Math.min(bestCpu, (cpu.user + cpu.system) / 1e6);
}
if (tangents.length !== n * 4) Fail(`the reference gave ${tangents.length} floats for ${n} corners`);
fs.writeFileSync(args[1], new Uint8Array(tangents.buffer, tangents.byteOffset, tangents.byteLength));
const rssBytes = process.resourceUsage().maxRSS * 1024;
process.stdout.write(JSON.stringify({ seconds: best, cpuSeconds: bestCpu, rssBytes }) + '\n');
