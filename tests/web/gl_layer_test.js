// The GL layer against Mesa: the same table of pictures drawn natively (llvmpipe, offscreen)
// and on WebGL in headless Chromium (SwiftShader), each pair at least MIN_PSNR dB apart; and
// on the browser's screen, a call drawn wholly hidden does not replace the last picture.
//   node gl_layer_test.js SITE_DIR NATIVE_PROGRAM
'use strict';
const { execFileSync } = require('child_process');
const { inBrowser, runChecks, psnr } = require('./browser');
const { readPng } = require('./media');

const minPsnr = 25;  // measured 27.5 to 64 dB: llvmpipe and SwiftShader round and filter differently

function parseCases(text) {
  const cases = new Map();
  for (const line of text.split('\n')) {
    const [kind, name, ...rest] = line.trim().split(' ');
    if (kind === 'case') cases.set(name, { pixels: Buffer.from(rest[2], 'hex') });
    if (kind === 'error' && cases.has(name)) cases.get(name).error = Number(rest[0]);
  }
  return cases;
}

// The screen's middle pixel after a whole picture, then after a call drawn wholly hidden.
async function screenKept(page) {
  const seen = [];
  for (const hidden of [0, 1]) {
    await page.evaluate(`Module._drawForScreen(${hidden}), new Promise((r) => requestAnimationFrame(() => requestAnimationFrame(r)))`);
    const shot = await page.send('Page.captureScreenshot', { format: 'png', clip: { x: 0, y: 0, width: 160, height: 120, scale: 1 } });
    const { pixels } = readPng(Buffer.from(shot.data, 'base64')), at = (60 * 160 + 80) * 3;
    seen.push(Array.from(pixels.subarray(at, at + 3)));
  }
  const ok = seen[0].every((v, i) => Math.abs(v - [51, 153, 255][i]) <= 2 && seen[1][i] === v);
  return { ok, what: `a call drawn wholly hidden leaves the last picture on the screen (${seen.join(' then ')})` };
}

runChecks(async (check) => {
  const [site, nativeProgram] = process.argv.slice(2);
  const native = parseCases(execFileSync(nativeProgram, {
    env: { ...process.env, SDL_VIDEODRIVER: 'offscreen', LIBGL_ALWAYS_SOFTWARE: '1' }, maxBuffer: 1 << 26,
  }).toString());
  const { cases: web, screen } = await inBrowser(site, async (page, origin) => {
    await page.send('Page.navigate', { url: `${origin}/gl_layer_cases.html` });
    await page.waitFor(() => page.console.some((m) => m.text === 'done' || m.text.startsWith('fail')), 120);
    if (page.errors.length) throw new Error(`page error: ${page.errors.join('; ')}`);
    return { cases: parseCases(page.console.map((m) => m.text).join('\n')), screen: await screenKept(page) };
  });
  check(native.size > 0, `the native program drew ${native.size} cases`);
  check(screen.ok, screen.what);
  for (const [name, expected] of native) {
    const got = web.get(name);
    const db = got ? psnr(expected.pixels, got.pixels) : -Infinity;
    check(got && db >= minPsnr && got.error === 0 && expected.error === 0,
      `${name}: ${db.toFixed(1)} dB, GL errors native ${expected.error} web ${got ? got.error : '-'}`);
  }
});
