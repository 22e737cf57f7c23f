// Times one JavaScript MIDI parser on a file: node peers.js PACKAGE FILE ITERATIONS
// Prints the mean milliseconds per parse (file already in memory) on one line.
'use strict';
const fs = require('fs');
const path = require('path');
const [pkg, file, iterArg] = process.argv.slice(2);
const modules = path.join(__dirname, 'node_modules');
const bytes = fs.readFileSync(file);
let parse;
if (pkg === 'midi-file') {
  const { parseMidi } = require(path.join(modules, 'midi-file'));
  parse = () => parseMidi(bytes);
} else if (pkg === '@tonejs/midi') {
  const { Midi } = require(path.join(modules, '@tonejs/midi'));
  parse = () => new Midi(bytes);
} else {
  console.error('unknown package ' + pkg);
  process.exit(2);
}
const iterations = Math.max(1, parseInt(iterArg || '3', 10));
if (iterations > 1) parse(); // warm-up
const start = process.hrtime.bigint();
for (let i = 0; i < iterations; ++i) parse();
const ms = Number(process.hrtime.bigint() - start) / 1e6 / iterations;
console.log(ms.toFixed(3));
