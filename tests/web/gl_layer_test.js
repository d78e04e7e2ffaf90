// The GL layer against Mesa: the same table of pictures drawn natively (llvmpipe, offscreen)
// and on WebGL in headless Chromium (SwiftShader), each pair at least MIN_PSNR dB apart.
//   node gl_layer_test.js SITE_DIR NATIVE_PROGRAM
'use strict';
const { execFileSync } = require('child_process');
const { serve, Browser, psnr } = require('./browser');

const minPsnr = 25;  // measured 27.5 to 64 dB: llvmpipe and SwiftShader round and filter differently

function parseCases(text) {
  const cases = new Map();
  for (const line of text.split('\n')) {
    const [kind, name, ...rest] = line.trim().split(' ');
    if (kind === 'case') cases.set(name, { pixels: Buffer.from(rest[2], 'base64') });
    if (kind === 'error' && cases.has(name)) cases.get(name).error = Number(rest[0]);
  }
  return cases;
}

async function webCases(site) {
  const { server, origin } = await serve(site);
  const browser = Browser.launch();
  try {
    const page = await browser.open(`${origin}/gl_layer_cases.html`);
    const end = Date.now() + 120000;
    const finished = () => page.console.some((m) => m.text === 'done' || m.text.startsWith('fail'));
    while (!finished() && !page.errors.length && Date.now() < end) await new Promise((r) => setTimeout(r, 200));
    if (page.errors.length) throw new Error(`page error: ${page.errors.join('; ')}`);
    if (!finished()) throw new Error('the page did not finish its cases in 120 s');
    return parseCases(page.console.map((m) => m.text).join('\n'));
  } finally {
    await browser.close();
    server.close();
  }
}

async function main() {
  const [site, nativeProgram] = process.argv.slice(2);
  const native = parseCases(execFileSync(nativeProgram, {
    env: { ...process.env, SDL_VIDEODRIVER: 'offscreen', LIBGL_ALWAYS_SOFTWARE: '1' }, maxBuffer: 1 << 26,
  }).toString());
  const web = await webCases(site);
  let failed = native.size === 0;
  for (const [name, expected] of native) {
    const got = web.get(name);
    const db = got ? psnr(expected.pixels, got.pixels) : -Infinity;
    const ok = got && db >= minPsnr && got.error === 0 && expected.error === 0;
    console.log(`${ok ? 'ok  ' : 'FAIL'} ${name}: ${db.toFixed(1)} dB, GL errors native ${expected.error} web ${got ? got.error : '-'}`);
    if (!ok) failed = true;
  }
  process.exit(failed ? 1 : 0);
}

main().catch((e) => { console.error(e.message); process.exit(1); });
