// Readers for what the native recorder writes, 8-bit RGB PNG frames and 16-bit PCM WAV, and
// for the browser's screenshots (RGBA PNG).
'use strict';
const fs = require('fs');
const zlib = require('zlib');

// RGB rows top first, as the PNG holds them (8-bit truecolour, any alpha dropped, not
// interlaced), from a file or its bytes.
function readPng(file) {
  const data = Buffer.isBuffer(file) ? file : fs.readFileSync(file);
  let at = 8, width = 0, height = 0, channels = 3;
  const idat = [];
  while (at < data.length) {
    const length = data.readUInt32BE(at), type = data.toString('latin1', at + 4, at + 8);
    const body = data.subarray(at + 8, at + 8 + length);
    if (type === 'IHDR') {
      width = body.readUInt32BE(0), height = body.readUInt32BE(4), channels = body[9] === 6 ? 4 : 3;
      if (body[8] !== 8 || (body[9] !== 2 && body[9] !== 6) || body[12] !== 0) throw new Error(`${file}: not 8-bit RGB`);
    } else if (type === 'IDAT') idat.push(body);
    at += 12 + length;
  }
  const raw = zlib.inflateSync(Buffer.concat(idat));
  const stride = width * channels, rows = Buffer.alloc(stride * height);
  for (let y = 0; y < height; ++y) {
    const filter = raw[y * (stride + 1)], line = raw.subarray(y * (stride + 1) + 1, (y + 1) * (stride + 1));
    for (let x = 0; x < stride; ++x) {
      const a = x >= channels ? rows[y * stride + x - channels] : 0, b = y ? rows[(y - 1) * stride + x] : 0;
      const c = x >= channels && y ? rows[(y - 1) * stride + x - channels] : 0;
      const p = a + b - c, pa = Math.abs(p - a), pb = Math.abs(p - b), pc = Math.abs(p - c);
      const predictor = [0, a, b, (a + b) >> 1, pa <= pb && pa <= pc ? a : pb <= pc ? b : c][filter];
      rows[y * stride + x] = (line[x] + predictor) & 255;
    }
  }
  return { width, height, pixels: channels === 3 ? rows : Buffer.from(rows.filter((_, i) => i % 4 !== 3)) };
}

// The interleaved 16-bit samples of a PCM WAV file, with its rate and channel count.
function readWav(file) {
  const data = fs.readFileSync(file);
  let at = 12, rate = 0, channels = 0;
  while (at + 8 <= data.length) {
    const id = data.toString('latin1', at, at + 4), size = data.readUInt32LE(at + 4);
    if (id === 'fmt ') channels = data.readUInt16LE(at + 10), rate = data.readUInt32LE(at + 12);
    if (id === 'data') {
      const body = data.subarray(at + 8, at + 8 + size);
      return { rate, channels, samples: new Int16Array(body.buffer.slice(body.byteOffset, body.byteOffset + body.length)) };
    }
    at += 8 + size + (size & 1);
  }
  throw new Error(`${file}: no data chunk`);
}

module.exports = { readPng, readWav };
