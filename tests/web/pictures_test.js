// The whole demo in headless Chromium on the recorder's virtual clock, one picture a second,
// against the native recording of the same pictures: every picture at least MIN_PSNR dB, and
// the captions (the white of the bitmap font) in exactly the same place.
//   node pictures_test.js SITE_DIR NATIVE_RECORDING_DIR
'use strict';
const fs = require('fs');
const path = require('path');
const { inBrowser, runChecks, psnr } = require('./browser');
const { readPng } = require('./media');

const minPsnr = 30;
const white = 250;        // a caption pixel: every channel at least this
const minCaptionPixels = 40;
const reach = 2;          // the shifts tried when looking for the captions' place

// Web pictures come bottom row first, as GL reads them; the PNG frames top row first.
function topFirst(rgb, width, height) {
  const out = Buffer.alloc(rgb.length), stride = width * 3;
  for (let y = 0; y < height; ++y) rgb.copy(out, y * stride, (height - 1 - y) * stride, (height - y) * stride);
  return out;
}

function whiteMask(rgb) {
  const mask = new Uint8Array(rgb.length / 3);
  for (let i = 0; i < mask.length; ++i)
    mask[i] = rgb[3 * i] >= white && rgb[3 * i + 1] >= white && rgb[3 * i + 2] >= white ? 1 : 0;
  return mask;
}

// The shift of `web` against `native` that leaves the fewest caption pixels unmatched; ties
// go to no shift. Returns [dx, dy, unmatched at no shift, native caption pixels].
function captionShift(native, web, width, height) {
  const a = whiteMask(native), b = whiteMask(web);
  const count = a.reduce((n, v) => n + v, 0);
  let best = null;
  for (let dy = -reach; dy <= reach; ++dy)
    for (let dx = -reach; dx <= reach; ++dx) {
      let unmatched = 0;
      for (let y = reach; y < height - reach; ++y)
        for (let x = reach; x < width - reach; ++x) unmatched += a[y * width + x] !== b[(y + dy) * width + x + dx];
      const score = unmatched + (dx || dy ? 0.5 : 0);
      if (!best || score < best.score) best = { dx, dy, unmatched, score };
    }
  return [best.dx, best.dy, best.unmatched, count];
}

runChecks(async (check) => {
  const [site, nativeDir] = process.argv.slice(2);
  const frames = fs.readdirSync(nativeDir).filter((f) => /^frame_\d+\.png$/.test(f)).sort();
  const web = await inBrowser(site, async (page, origin) => {
    await page.send('Page.navigate', { url: `${origin}/index.html?pictures=1` });
    await page.waitFor("!document.getElementById('end').hidden", 840);
    const count = await page.evaluate('window.quorvexPictures.length');
    console.log(`the page drew the demo in ${(await page.evaluate('window.quorvexRunSeconds')).toFixed(1)} s`);
    const pictures = [];
    for (let n = 0; n < count; ++n) {
      const p = await page.evaluate(`(() => { const p = window.quorvexPictures[${n}]; if (!p) return null;
        let s = ''; for (let i = 0; i < p.rgb.length; i += 32768) s += String.fromCharCode(...p.rgb.subarray(i, i + 32768));
        return { rgb: btoa(s), width: p.width, height: p.height, whole: p.whole }; })()`);
      pictures.push(p && { ...p, rgb: topFirst(Buffer.from(p.rgb, 'base64'), p.width, p.height) });
    }
    return { pictures, errors: page.errors };
  });
  check(!web.errors.length, `no console error${web.errors.length ? ': ' + web.errors.join('; ') : ''}`);
  check(web.pictures.length === frames.length, `${web.pictures.length} pictures, the recording has ${frames.length}`);
  const dbs = [];
  frames.forEach((file, n) => {
    const native = readPng(path.join(nativeDir, file)), got = web.pictures[n];
    if (!got || !got.whole || got.width !== native.width || got.height !== native.height)
      return check(false, `picture ${n}: ${got ? `${got.width} x ${got.height}${got.whole ? '' : ', lacks a scene'}` : 'missing'}`);
    const db = psnr(native.pixels, got.rgb);
    dbs.push(db);
    const [dx, dy, unmatched, captionPixels] = captionShift(native.pixels, got.rgb, native.width, native.height);
    check(db >= minPsnr && (captionPixels < minCaptionPixels || !(dx || dy)),
      `picture ${n}: ${db.toFixed(1)} dB, caption pixels ${captionPixels}, ${unmatched} unmatched, shift ${dx},${dy}`);
  });
  dbs.sort((a, b) => a - b);
  if (dbs.length) console.log(`PSNR: lowest ${dbs[0].toFixed(1)} dB, median ${dbs[dbs.length >> 1].toFixed(1)} dB`);
});
