// The site in headless Chromium: it loads with no console error and asks only for files of
// its own directory; a real click starts the demo; the first 10 s of samples it hands to Web
// Audio are the native soundtrack.wav's; Escape ends it on the end card, which restarts it.
// A site copied wrongly or a program that gives up gets a word in the page, not a start card.
//   node page_test.js SITE_DIR NATIVE_RECORDING_DIR
'use strict';
const fs = require('fs');
const os = require('os');
const path = require('path');
const { inBrowser, runChecks } = require('./browser');
const { readWav } = require('./media');

const seconds = 10;

// Wraps the ScriptProcessor the program makes, keeping every block it fills.
const captureHook = `window.quorvexTestHooks = (module) => {
  window.captured = [];
  const context = module.SDL2.audioContext;
  const make = context.createScriptProcessor.bind(context);
  const setter = Object.getOwnPropertyDescriptor(ScriptProcessorNode.prototype, 'onaudioprocess').set;
  context.createScriptProcessor = (...args) => {
    const node = make(...args);
    Object.defineProperty(node, 'onaudioprocess', { set(fill) {
      setter.call(node, (e) => {
        fill(e);
        const b = e.outputBuffer, block = new Int16Array(b.length * b.numberOfChannels);
        for (let c = 0; c < b.numberOfChannels; ++c) {
          const data = b.getChannelData(c);
          for (let i = 0; i < b.length; ++i) block[i * b.numberOfChannels + c] = Math.round(data[i] * 32768);
        }
        window.captured.push(block);
      });
    } });
    return node;
  };
};`;

async function click(page, selector) {
  const box = await page.evaluate(`(() => { const r = document.querySelector('${selector}').getBoundingClientRect();
    return [r.x + r.width / 2, r.y + r.height / 2]; })()`);
  for (const type of ['mousePressed', 'mouseReleased'])
    await page.send('Input.dispatchMouseEvent', { type, x: box[0], y: box[1], button: 'left', clickCount: 1 });
}

function firstSound(samples, channels) {
  let at = 0;
  while (at < samples.length && samples[at] === 0) ++at;
  return samples.subarray(at - (at % channels));
}

// Copies of the site, each broken one way, and what the page must then say, at once or when
// started (with an option the program refuses, the last case).
const brokenSites = [
  ['a .wasm cut short', (dir) => fs.truncateSync(`${dir}/quorvex.wasm`, 500000),
    /quorvex\.wasm: 500000 bytes, not the \d+ of files\.json/],
  ['a .wasm damaged', (dir) => fs.writeSync(fs.openSync(`${dir}/quorvex.wasm`, 'r+'), Buffer.alloc(64, 255), 0, 64, 8),
    /^The demo stopped: CompileError/],
  ['no files.json', (dir) => fs.rmSync(`${dir}/files.json`), /files\.json: 404/],
  ['the page opened as a file', () => {}, /opened as a file.*web server/],
  ['a program that exits with a status', () => {}, /stopped with status 2: quorvex: unknown option '--bogus'/],
];

async function checkBrokenSites(check, site) {
  const root = fs.mkdtempSync(path.join(os.tmpdir(), 'quorvex-sites-'));
  try {
    await inBrowser(root, async (page, origin) => {
      await page.send('Page.addScriptToEvaluateOnNewDocument',
        { source: "window.quorvexTestHooks = (m) => { m.arguments = ['--bogus']; };" });
      const card = "['start', 'end', 'failed'].find((id) => !document.getElementById(id).hidden)";
      for (const [i, [name, breakIt, says]] of brokenSites.entries()) {
        fs.cpSync(site, `${root}/${i}`, { recursive: true });
        breakIt(`${root}/${i}`);
        await page.send('Page.navigate', { url: `${name.includes('as a file') ? `file://${root}` : origin}/${i}/index.html` });
        await page.waitFor(card, 30, true).catch(() => {});
        if ((await page.evaluate(card)) === 'start') await page.evaluate("document.querySelector('#start button').click()");
        await page.waitFor(`['end', 'failed'].includes(${card})`, 30, true).catch(() => {});
        const reason = await page.evaluate(`${card} === 'failed' ? document.getElementById('reason').textContent : ''`);
        check(says.test(reason), `${name}: the page says "${reason}"`);
      }
    });
  } finally {
    fs.rmSync(root, { recursive: true, force: true });
  }
}

runChecks(async (check) => {
  // The native program's recording (web_native_recording): its soundtrack is the whole one.
  const [site, nativeDir] = process.argv.slice(2);
  const native = readWav(path.join(nativeDir, 'soundtrack.wav'));
  await inBrowser(site, async (page, origin, requests) => {
    await page.send('Page.addScriptToEvaluateOnNewDocument', { source: captureHook });
    await page.send('Page.navigate', { url: `${origin}/index.html` });
    await page.waitFor("!document.getElementById('start').hidden", 60);
    await click(page, '#start button');
    await page.waitFor('window.quorvexRunning && window.quorvexRunning()', 60);
    const blocks = Math.ceil((seconds + 2) * native.rate / 1024);
    await page.waitFor(`window.captured.length >= ${blocks}`, seconds * 4 + 30);
    const heard = firstSound(Int16Array.from(await page.evaluate('window.captured.flatMap((b) => Array.from(b))')),
      native.channels);
    const expected = firstSound(native.samples, native.channels);
    const n = seconds * native.rate * native.channels;
    // Both builds synthesise with libmpg123's portable code, but Debian's native library is
    // built by GCC with -ffast-math, whose float sums may round a sample to the next step.
    // The samples must be the same ones (same start, same count), each within one step.
    const whole = heard.length >= n && expected.length >= n;
    let off = 0, largest = whole ? 0 : Infinity;
    for (let i = 0; whole && i < n; ++i) {
      const d = Math.abs(heard[i] - expected[i]);
      if (d) ++off;
      largest = Math.max(largest, d);
    }
    check(largest <= 1, `the first ${seconds} s handed to Web Audio are soundtrack.wav's samples ` +
      `(${off} of ${n} one step apart, largest difference ${largest})`);
    await page.key('Escape', 'Escape', 27);
    await page.waitFor("!document.getElementById('end').hidden", 30);
    check(true, 'Escape ends the demo on the end card');
    await click(page, '#end button');
    await page.waitFor("document.getElementById('end').hidden && window.quorvexRunning()", 60);
    check(true, 'the end card starts the demo again');
    check(page.errors.length === 0, `no console error${page.errors.length ? ': ' + page.errors.join('; ') : ''}`);
    const outside = page.requests.filter((u) => !u.startsWith(`${origin}/`) && u !== 'about:blank');
    check(outside.length === 0, `every request stays in the page's directory${outside.length ? ': ' + outside.join(' ') : ''}`);
    check(requests.every((p) => !p.includes('..')), 'no request climbs out of the site');
  }, ['--autoplay-policy=user-gesture-required']);
  await checkBrokenSites(check, site);
});
