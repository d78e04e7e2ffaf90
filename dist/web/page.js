// The page around the demo: loads the program and its media with a progress bar, starts on a
// click (browsers start sound only after a gesture), shows the end card that restarts it,
// toggles fullscreen on F1 and shows the demo's message boxes as in-page dialogs.
'use strict';
(function () {
  const $ = (id) => document.getElementById(id);
  const stage = $('stage');
  const canvas = $('canvas');
  const params = new URLSearchParams(location.search);
  const bytes = new Map();  // file name -> Uint8Array, kept for every restart
  let running = null;       // the module instance of the current run

  function show(card) {
    for (const id of ['loading', 'start', 'end', 'failed']) $(id).hidden = id !== card;
  }

  // The first reason stays: what follows from it (the runtime's own abort) says less.
  function fail(message) {
    if (!$('failed').hidden) return;
    $('reason').textContent = message;
    show('failed');
    console.error(message);
  }

  async function fetchFile(name) {
    const response = await fetch(name);
    if (!response.ok) throw new Error(`${name}: ${response.status} ${response.statusText}`);
    return response;
  }

  // Every file of files.json, with one bar over the bytes of them all. A file of another
  // length than the list gives was cut short or replaced when the site was copied: it is
  // refused as a missing one is, rather than handed to the program (a short .wasm does not
  // compile, which the runtime reports only in its own words).
  async function load() {
    const files = await (await fetchFile('files.json')).json();
    const total = files.reduce((sum, f) => sum + f.size, 0);
    let done = 0;
    const bar = $('bar').firstElementChild;
    await Promise.all(files.map(async (f) => {
      const reader = (await fetchFile(f.name)).body.getReader();
      const parts = [];
      for (;;) {
        const { done: end, value } = await reader.read();
        if (end) break;
        parts.push(value);
        done += value.length;
        bar.style.width = `${Math.min(100, (100 * done) / total)}%`;
        $('loaded').textContent = `${(done / 1048576).toFixed(1)} of ${(total / 1048576).toFixed(1)} MiB`;
      }
      const whole = new Uint8Array(parts.reduce((n, p) => n + p.length, 0));
      let at = 0;
      for (const p of parts) whole.set(p, at), at += p.length;
      if (whole.length !== f.size) throw new Error(`${f.name}: ${whole.length} bytes, not the ${f.size} of files.json`);
      bytes.set(f.name, whole);
    }));
  }

  // The demo's message boxes: the same caption, text and buttons; the answer comes back to
  // the program when a button is pressed (1 OK, 6 Yes, 7 No).
  function dialog(caption, text, yesNo, answer) {
    const box = $('dialog');
    box.querySelector('.caption').textContent = caption;
    box.querySelector('.text').textContent = text;
    const buttons = box.querySelector('.buttons');
    buttons.textContent = '';
    for (const [label, value] of yesNo ? [['Yes', 6], ['No', 7]] : [['OK', 1]]) {
      const b = document.createElement('button');
      b.type = 'button';
      b.textContent = label;
      b.onclick = () => { box.hidden = true; canvas.focus(); answer(value); };
      buttons.appendChild(b);
    }
    box.hidden = false;
    buttons.firstElementChild.focus();
  }

  // ?pictures=N: the demo on the virtual clock at N pictures a second, without sound, each
  // picture kept in window.quorvexPictures (the browser tests).
  const pictureRate = params.get('pictures');
  window.quorvexPictures = [];

  function start() {
    show(null);
    canvas.focus();
    // Created inside the click, so the browser lets it play; the program's audio uses it. At
    // the soundtrack's own rate the program's samples reach Web Audio as they are, and the
    // browser resamples for the device.
    const AudioContextType = window.AudioContext || window.webkitAudioContext;
    const audioContext = AudioContextType && !pictureRate ? new AudioContextType({ sampleRate: 44100 }) : undefined;
    if (audioContext) audioContext.resume();
    let lastLine = '';  // the program's last line on standard error: why it failed, if it did
    const module = {
      canvas,
      // ?stats: frame times per scene on the console when the demo ends, as --stats prints them.
      arguments: pictureRate ? ['--pictures', pictureRate] : params.has('stats') ? ['--stats'] : [],
      quorvexUnpaced: !!pictureRate,
      quorvexPicture: (n, rgb, width, height, whole) => { window.quorvexPictures[n] = { rgb, width, height, whole }; },
      wasmBinary: bytes.get('quorvex.wasm'),
      SDL2: { audioContext },
      quorvexDialog: dialog,
      print: (text) => console.log(text),
      printErr: (text) => { lastLine = text; console.warn(text); },
      preRun: [(m) => {
        m.FS.mkdir('/data');
        for (const [name, data] of bytes) if (name.startsWith('data/')) m.FS.writeFile(`/${name}`, data);
      }],
      onExit: (status) => finish(audioContext, started, status, lastLine),
      onAbort: (what) => fail(`The demo stopped: ${what}`),
    };
    if (window.quorvexTestHooks) window.quorvexTestHooks(module);
    const started = performance.now();
    QuorvexModule(module).then((instance) => { running = instance; }, (e) => fail(String(e)));
  }

  // A status other than 0 is the program giving up (a picture the JPEG library cannot read
  // ends it with 1): the page says so with the program's last words, not an end card that
  // would start it into the same failure.
  function finish(audioContext, started, status, lastLine) {
    running = null;
    window.quorvexRunSeconds = (performance.now() - started) / 1000;
    // The program closes it when its sound stops; a run that never opened sound leaves it open.
    if (audioContext && audioContext.state !== 'closed') audioContext.close().catch(() => {});
    if (document.fullscreenElement) document.exitFullscreen();
    if (status) return fail(`The demo stopped with status ${status}${lastLine ? `: ${lastLine}` : ''}`);
    show('end');
    $('end').querySelector('button').focus();
  }

  // F1 is the page's: fullscreen of the whole stage, black around the picture. It never
  // reaches the program, which would close and open its window for it.
  window.addEventListener('keydown', (e) => {
    if (e.key !== 'F1') return;
    e.preventDefault();
    e.stopImmediatePropagation();
    if (document.fullscreenElement) document.exitFullscreen();
    else stage.requestFullscreen().catch(() => {});
  }, true);
  window.addEventListener('keyup', (e) => {
    if (e.key === 'F1') { e.preventDefault(); e.stopImmediatePropagation(); }
  }, true);

  // The program ends with exit(), which unwinds the browser's call into it with an
  // ExitStatus: that is its normal end (onExit has run), not an error.
  window.addEventListener('unhandledrejection', (e) => {
    if (e.reason && e.reason.name === 'ExitStatus') e.preventDefault();
  });

  $('start').addEventListener('click', start);
  $('end').querySelector('button').addEventListener('click', start);
  load().then(() => {
    if (pictureRate) return start();
    show('start');
    $('start').querySelector('button').focus();
  }, (e) => fail(location.protocol === 'file:'
    ? 'This page is opened as a file, and browsers do not let such a page read the files beside it. ' +
      'Serve its directory with any web server (make web-serve does) and open it from there.'
    : `Loading failed: ${e.message}`));
  window.quorvexRunning = () => running !== null;
})();
