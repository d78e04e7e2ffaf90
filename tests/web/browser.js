// Headless Chromium for the web tests: a static server on localhost that records every request,
// and the DevTools protocol over a pipe (console, exceptions, requests, keys, evaluation).
'use strict';
const { spawn } = require('child_process');
const fs = require('fs');
const http = require('http');
const os = require('os');
const path = require('path');

const contentTypes = {
  '.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm', '.css': 'text/css',
  '.zip': 'application/zip', '.mp3': 'audio/mpeg', '.bmp': 'image/bmp', '.json': 'application/json',
};

// Serves `root` and nothing outside it; `requests` lists every path asked for.
function serve(root) {
  const requests = [];
  const server = http.createServer((req, res) => {
    const url = new URL(req.url, 'http://localhost');
    requests.push(url.pathname);
    const file = path.resolve(root, '.' + decodeURIComponent(url.pathname));
    const inside = file.startsWith(path.resolve(root) + path.sep);
    if (!inside || !fs.existsSync(file) || !fs.statSync(file).isFile()) {
      res.writeHead(404);
      res.end();
      return;
    }
    res.writeHead(200, { 'Content-Type': contentTypes[path.extname(file)] || 'application/octet-stream' });
    fs.createReadStream(file).pipe(res);
  });
  return new Promise((resolve) => server.listen(0, '127.0.0.1', () =>
    resolve({ server, requests, origin: `http://127.0.0.1:${server.address().port}` })));
}

class Browser {
  constructor(child, profile) {
    this.child = child;
    this.profile = profile;
    this.nextId = 1;
    this.pending = new Map();
    this.listeners = [];
    let buffer = '';
    child.stdio[4].on('data', (chunk) => {
      buffer += chunk.toString('utf8');
      let end;
      while ((end = buffer.indexOf('\0')) >= 0) {
        const message = JSON.parse(buffer.slice(0, end));
        buffer = buffer.slice(end + 1);
        this.dispatch(message);
      }
    });
  }

  static launch(extraArgs = []) {
    const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'quorvex-chromium-'));
    const args = ['--headless=new', '--use-angle=swiftshader', '--enable-unsafe-swiftshader',
      '--remote-debugging-pipe', `--user-data-dir=${profile}`, '--no-first-run', '--no-default-browser-check',
      '--mute-audio', ...(process.getuid && process.getuid() === 0 ? ['--no-sandbox'] : []), ...extraArgs,
      'about:blank'];
    const child = spawn(process.env.CHROMIUM || 'chromium', args, { stdio: ['ignore', 'ignore', 'pipe', 'pipe', 'pipe'] });
    child.stderr.on('data', () => {});  // Chromium's own chatter
    return new Browser(child, profile);
  }

  dispatch(message) {
    if (message.id && this.pending.has(message.id)) {
      const { resolve, reject } = this.pending.get(message.id);
      this.pending.delete(message.id);
      if (message.error) reject(new Error(`${message.error.message} (${message.error.code})`));
      else resolve(message.result);
      return;
    }
    for (const listener of this.listeners) listener(message.method, message.params || {}, message.sessionId);
  }

  send(method, params = {}, sessionId = undefined) {
    const id = this.nextId++;
    const message = { id, method, params };
    if (sessionId) message.sessionId = sessionId;
    this.child.stdio[3].write(JSON.stringify(message) + '\0');
    return new Promise((resolve, reject) => this.pending.set(id, { resolve, reject }));
  }

  // A new blank tab, with its console, exceptions and requests collected from the start.
  async open() {
    const { targetId } = await this.send('Target.createTarget', { url: 'about:blank' });
    const { sessionId } = await this.send('Target.attachToTarget', { targetId, flatten: true });
    const page = new Page(this, sessionId);
    await Promise.all(['Runtime.enable', 'Network.enable', 'Page.enable', 'Log.enable']
      .map((m) => this.send(m, {}, sessionId)));
    return page;
  }

  // Asked to close first, so its helper processes are gone with it; killed if it does not.
  async close() {
    const ended = new Promise((resolve) => this.child.once('exit', resolve));
    const closed = this.send('Browser.close').catch(() => {});
    const timer = setTimeout(() => this.child.kill(), 5000);
    await Promise.race([closed.then(() => ended), ended]);
    clearTimeout(timer);
    try {
      fs.rmSync(this.profile, { recursive: true, force: true, maxRetries: 10, retryDelay: 200 });
    } catch (e) {
      console.log(`note: the browser's profile ${this.profile} stays: ${e.message}`);
    }
  }
}

class Page {
  constructor(browser, sessionId) {
    this.browser = browser;
    this.sessionId = sessionId;
    this.console = [];     // { type, text }
    this.errors = [];      // exceptions and error-level log entries
    this.requests = [];    // every URL the page asked for
    browser.listeners.push((method, params, session) => {
      if (session !== sessionId) return;
      if (method === 'Runtime.consoleAPICalled') {
        const text = params.args.map((a) => (a.value !== undefined ? String(a.value) : a.description || '')).join(' ');
        this.console.push({ type: params.type, text });
        if (params.type === 'error') this.errors.push(text);
      } else if (method === 'Runtime.exceptionThrown') {
        const d = params.exceptionDetails;
        this.errors.push(d.exception ? d.exception.description : d.text);
      } else if (method === 'Log.entryAdded' && params.entry.level === 'error') {
        this.errors.push(`${params.entry.text} ${params.entry.url || ''}`);
      } else if (method === 'Network.requestWillBeSent') {
        this.requests.push(params.request.url);
      }
    });
  }

  send(method, params) { return this.browser.send(method, params, this.sessionId); }

  async evaluate(expression) {
    const r = await this.send('Runtime.evaluate', { expression, returnByValue: true, awaitPromise: true });
    if (r.exceptionDetails) throw new Error(`evaluation failed: ${r.exceptionDetails.text}`);
    return r.result.value;
  }

  // Polls `what` (an expression in the page, or a function here) until it is truthy; fails
  // after `seconds` or, unless the page is expected to have them, at the page's first error.
  async waitFor(what, seconds, errorsExpected = false) {
    const end = Date.now() + seconds * 1000;
    for (;;) {
      if (typeof what === 'function' ? what() : await this.evaluate(what).catch(() => false)) return;
      if (this.errors.length && !errorsExpected) throw new Error(`page error: ${this.errors[0]}`);
      if (Date.now() > end) throw new Error(`timed out after ${seconds} s waiting for ${what}`);
      await new Promise((r) => setTimeout(r, 100));
    }
  }

  // A press as long as a person's: the program reads one event a pass, so a press and release
  // arriving in the same picture would cancel out before any pass looked at the key.
  async key(name, code, keyCode) {
    for (const type of ['keyDown', 'keyUp']) {
      await this.send('Input.dispatchKeyEvent', { type, key: name, code, windowsVirtualKeyCode: keyCode });
      if (type === 'keyDown') await new Promise((r) => setTimeout(r, 150));
    }
  }
}

// Serves `site` to a fresh headless Chromium and runs `use(page, origin, requests)` on a blank
// tab; the browser and the server close however it ends.
async function inBrowser(site, use, args = []) {
  const { server, origin, requests } = await serve(site);
  const browser = Browser.launch(args);
  try {
    return await use(await browser.open(), origin, requests);
  } finally {
    await browser.close();
    server.close();
  }
}

// Runs a test's `main(check)`: each check prints ok or FAIL with what it says, and the process
// ends with status 1 when one failed or main threw.
function runChecks(main) {
  let failed = false;
  const check = (ok, what) => {
    console.log(`${ok ? 'ok  ' : 'FAIL'} ${what}`);
    failed = failed || !ok;
  };
  main(check).catch((e) => check(false, e.message)).then(() => process.exit(failed ? 1 : 0));
}

// Peak signal-to-noise ratio of two equal-sized byte pictures, in dB (Infinity when equal).
function psnr(a, b) {
  let sum = 0;
  for (let i = 0; i < a.length; ++i) sum += (a[i] - b[i]) ** 2;
  return sum === 0 ? Infinity : 10 * Math.log10((255 * 255 * a.length) / sum);
}

module.exports = { inBrowser, runChecks, psnr };
