// Browser tests of the web build, in Debian's chromium (headless) against a
// loopback server of our own:
//   node tests/web/run.mjs --site build-web/bin --native build/bin/quietorbit --data data [--out DIR]
// 1. before the start, on a phone and a desktop, the page shows a frame of the
//    show, its running time, the full flashing warning and the gentle switch;
// 2. the page loads and plays with no console error, a screenshot during the
//    loading screen shows it, Escape ends the show and the page offers to play again;
// 3. the control bar marks the scenes where the native program starts them;
//    a mark, the seek bar and the arrow keys jump the show there; a pause
//    holds the picture and draws nothing until it ends; ?t= starts there;
// 4. frames of every scene hash the same as the native record at 32 and 16 bits.
// Prints the per-scene drawing times beside the native ones (a benchmark, not a test).
// Chromium is driven through its DevTools protocol over a pipe: node alone,
// nothing from a package registry.
import { execFileSync, spawn } from 'node:child_process';
import fs from 'node:fs';
import http from 'node:http';
import os from 'node:os';
import path from 'node:path';
import zlib from 'node:zlib';

const args = Object.fromEntries(process.argv.slice(2).map((a) => {
  const m = /^--([^=]+)=?(.*)$/.exec(a);
  return m ? [m[1], m[2]] : [a, ''];
}));
const site = path.resolve(args.site || 'build-web/bin');
const native = path.resolve(args.native || 'build/bin/quietorbit');
const data = path.resolve(args.data || 'data');
const out = path.resolve(args.out || path.join(site, '..', 'web-test'));
// "page" or "frames" runs one part of the tests; "bench" none of them, but
// the drawing times of the whole show, web beside native (numbers, not a test).
const only = args.only || '';
fs.mkdirSync(out, { recursive: true });

// Twelve frames of every part of the show (50 frames per second of video),
// 20 or more frames inside each part. Where the parts lie comes from the
// native program: a record of the loading screen shows the frame at which
// the first scene starts, and from there on every scene frame is one frame
// of video, as many as the benchmark counts for it.
function showSpans() {
  // Every fifth frame of the first 1500: the first scene frame found lies at
  // most four frames after the true first one, well inside the margin.
  const probe = Array.from({ length: 301 }, (_, i) => 5 * i).join(',');
  const first = runNative(['--record=probe', '--frames=' + probe], (dir) => {
    const rows = fs.readFileSync(path.join(dir, 'probe', 'frames.csv'), 'utf8').trim().split('\n').slice(1);
    const row = rows.map((r) => r.split(',')).find((r) => r[2] !== 'loading');
    return row ? Number(row[0]) : NaN;
  });
  const scenes = JSON.parse(runNative(['--benchmark', '--json', '-nommx'])).scenes.filter((s) => s.scene !== 'loading');
  if (!Number.isFinite(first) || scenes.length === 0) throw new Error('no scene spans from the native program');
  const spans = [[0, first - 20]];
  let at = first;
  for (const s of scenes) {
    spans.push([at + 20, at + s.frames - 21]);
    at += s.frames;
  }
  return spans;
}
let framesChosen = null;
function showFrames() {
  framesChosen ??= [].concat(...showSpans().map(([a, b]) =>
    Array.from({ length: 12 }, (_, i) => Math.round(a + (b - a) * i / 11))));
  return framesChosen;
}

let failures = 0;
function check(ok, what) {
  console.log((ok ? 'ok   ' : 'FAIL ') + what);
  if (!ok) failures++;
}

// ---- the server: static files from the site folder, loopback only ----
const types = { '.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm',
  '.data': 'application/octet-stream', '.png': 'image/png' };
const server = http.createServer((req, res) => {
  const url = new URL(req.url, 'http://x');
  const file = path.join(site, path.normalize(decodeURIComponent(url.pathname)).replace(/^(\.\.[/\\])+/, ''));
  const name = file.endsWith('/') ? path.join(file, 'index.html') : file;
  fs.readFile(name, (err, body) => {
    if (err) { res.writeHead(404); res.end(); return; }
    // Cross-origin isolation gives the page a clock fine enough (microseconds,
    // not a tenth of a millisecond) to time frames that take less than one.
    res.writeHead(200, { 'Content-Type': types[path.extname(name)] || 'application/octet-stream',
      'Cross-Origin-Opener-Policy': 'same-origin', 'Cross-Origin-Embedder-Policy': 'require-corp' });
    res.end(body);
  });
});
await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
const base = `http://127.0.0.1:${server.address().port}/`;

// The DevTools protocol over --remote-debugging-pipe: commands go to
// chromium's descriptor 3, replies and events come from 4, each a JSON text
// ended by a NUL byte.
class Chromium {
  constructor(executable, flags) {
    this.proc = spawn(executable, [...flags, '--remote-debugging-pipe', 'about:blank'],
      { stdio: ['ignore', 'ignore', 'ignore', 'pipe', 'pipe'] });
    this.nextId = 1;
    this.pending = new Map();
    this.listeners = new Set();
    let buffered = Buffer.alloc(0);
    this.proc.stdio[4].on('data', (chunk) => {
      buffered = Buffer.concat([buffered, chunk]);
      for (let end = buffered.indexOf(0); end >= 0; end = buffered.indexOf(0)) {
        const message = JSON.parse(buffered.subarray(0, end).toString());
        buffered = buffered.subarray(end + 1);
        const waiting = this.pending.get(message.id);
        if (waiting) {
          this.pending.delete(message.id);
          if (message.error) waiting.reject(new Error(`${waiting.method}: ${message.error.message}`));
          else waiting.resolve(message.result);
        } else {
          for (const listener of this.listeners) listener(message);
        }
      }
    });
    this.exited = new Promise((resolve) => this.proc.on('exit', resolve));
  }

  send(method, params = {}, sessionId = undefined) {
    const id = this.nextId++;
    this.proc.stdio[3].write(JSON.stringify({ id, method, params, sessionId }) + '\0');
    return new Promise((resolve, reject) => this.pending.set(id, { method, resolve, reject }));
  }

  async close() {
    await Promise.race([this.send('Browser.close').catch(() => {}), new Promise((r) => setTimeout(r, 5000))]);
    const timer = setTimeout(() => this.proc.kill('SIGKILL'), 5000);
    await this.exited;
    clearTimeout(timer);
  }
}

const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'qo-chromium-'));
const browser = new Chromium(process.env.QO_CHROMIUM || '/usr/bin/chromium', [
  '--headless', '--no-sandbox', '--disable-gpu', '--disable-dev-shm-usage', '--disable-quic', '--no-first-run',
  '--disable-background-networking', '--disable-component-update', '--disable-sync',
  '--autoplay-policy=no-user-gesture-required', '--user-data-dir=' + profile]);

// Notes, in the page's clock (0 = navigation start), the click and the first
// drawing on the canvas (SDL presents through WebGL or a 2D context): the
// time to the first frame, a number the tests print but do not judge; and
// counts the drawings (window.qoDraws).
function noteFirstDraw() {
  window.qoDraws = 0;
  const getContext = HTMLCanvasElement.prototype.getContext;
  HTMLCanvasElement.prototype.getContext = function (...args) {
    const ctx = getContext.apply(this, args);
    if (ctx && !ctx.qoNoted) {
      ctx.qoNoted = true;
      for (const name of ['drawArrays', 'drawElements', 'putImageData']) {
        if (typeof ctx[name] !== 'function') continue;
        const draw = ctx[name];
        ctx[name] = function (...a) {
          window.qoFirstDraw ??= performance.now();
          window.qoDraws++;
          return draw.apply(this, a);
        };
      }
    }
    return ctx;
  };
  document.addEventListener('click', () => { window.qoClick ??= performance.now(); }, true);
}

// A tab showing index.html?QUERY, loaded, with what it reports as errors
// (console errors, uncaught exceptions, failed requests) collected.
async function openPage(query, view = { width: 800, height: 700, mobile: false }) {
  const { targetId } = await browser.send('Target.createTarget', { url: 'about:blank' });
  const { sessionId } = await browser.send('Target.attachToTarget', { targetId, flatten: true });
  const send = (method, params) => browser.send(method, params, sessionId);
  const errors = [];
  let onLoad = null;
  const loaded = new Promise((resolve) => { onLoad = resolve; });
  const listener = (m) => {
    if (m.sessionId !== sessionId) return;
    const p = m.params;
    if (m.method === 'Page.loadEventFired') onLoad();
    else if (m.method === 'Runtime.consoleAPICalled' && p.type === 'error')
      errors.push(p.args.map((a) => a.value ?? a.description).join(' '));
    else if (m.method === 'Runtime.exceptionThrown')
      errors.push(p.exceptionDetails.exception?.description ?? p.exceptionDetails.text);
    else if (m.method === 'Log.entryAdded' && p.entry.level === 'error')
      errors.push(p.entry.text + (p.entry.url ? ' ' + p.entry.url : ''));
  };
  browser.listeners.add(listener);
  for (const domain of ['Page', 'Runtime', 'Log']) await send(domain + '.enable');
  await send('Emulation.setDeviceMetricsOverride', { deviceScaleFactor: 1, ...view });
  // A phone: touch instead of a pointer and keys.
  if (view.mobile) await send('Emulation.setTouchEmulationEnabled', { enabled: true, maxTouchPoints: 5 });
  await send('Page.addScriptToEvaluateOnNewDocument', { source: `(${noteFirstDraw})();` });
  await send('Page.navigate', { url: base + 'index.html' + query });
  await loaded;
  const evaluate = async (expression) => {
    const r = await send('Runtime.evaluate', { expression, returnByValue: true, awaitPromise: true });
    if (r.exceptionDetails) throw new Error(`${expression}: ${r.exceptionDetails.text}`);
    return r.result.value;
  };
  // A PNG of the page, or of the part CLIP = {x, y, width, height} of it.
  const screenshot = async (file, clip) => {
    const r = await send('Page.captureScreenshot', { format: 'png', ...(clip ? { clip: { ...clip, scale: 1 } } : {}) });
    const png = Buffer.from(r.data, 'base64');
    fs.writeFileSync(file, png);
    return png;
  };
  const close = async () => {
    browser.listeners.delete(listener);
    await browser.send('Target.closeTarget', { targetId });
  };
  return { send, evaluate, screenshot, close, errors };
}

// Decodes the 8-bit RGB(A) PNG chromium's screenshot gives.
function decodePng(buf) {
  let pos = 8, width = 0, height = 0, channels = 0;
  const idat = [];
  while (pos < buf.length) {
    const len = buf.readUInt32BE(pos), type = buf.toString('latin1', pos + 4, pos + 8);
    const body = buf.subarray(pos + 8, pos + 8 + len);
    if (type === 'IHDR') { width = body.readUInt32BE(0); height = body.readUInt32BE(4); channels = body[9] === 6 ? 4 : 3; }
    if (type === 'IDAT') idat.push(body);
    pos += 12 + len;
  }
  const raw = zlib.inflateSync(Buffer.concat(idat));
  const stride = width * channels, px = Buffer.alloc(height * stride);
  for (let y = 0; y < height; y++) {
    const f = raw[y * (stride + 1)], line = raw.subarray(y * (stride + 1) + 1, (y + 1) * (stride + 1));
    for (let x = 0; x < stride; x++) {
      const a = x >= channels ? px[y * stride + x - channels] : 0, b = y ? px[(y - 1) * stride + x] : 0;
      const c = x >= channels && y ? px[(y - 1) * stride + x - channels] : 0;
      const p = a + b - c, pa = Math.abs(p - a), pb = Math.abs(p - b), pc = Math.abs(p - c);
      const pred = [0, a, b, (a + b) >> 1, pa <= pb && pa <= pc ? a : pb <= pc ? b : c][f];
      px[y * stride + x] = (line[x] + pred) & 255;
    }
  }
  return { width, height, channels, px };
}

async function canvasShot(page, file) {
  const clip = await page.evaluate(`(() => { const r = document.getElementById('canvas').getBoundingClientRect();
    return { x: r.x, y: r.y, width: r.width, height: r.height }; })()`);
  return decodePng(await page.screenshot(file, clip));
}

// A real click in the middle of an element and a real key press.
async function click(page, selector) {
  const at = await page.evaluate(`(() => { const r = document.querySelector(${JSON.stringify(selector)}).getBoundingClientRect();
    return { x: r.x + r.width / 2, y: r.y + r.height / 2 }; })()`);
  for (const type of ['mousePressed', 'mouseReleased'])
    await page.send('Input.dispatchMouseEvent', { type, ...at, button: 'left', clickCount: 1 });
}

async function pressEscape(page) {
  const key = { key: 'Escape', code: 'Escape', windowsVirtualKeyCode: 27, nativeVirtualKeyCode: 27 };
  await page.send('Input.dispatchKeyEvent', { type: 'rawKeyDown', ...key });
  await page.send('Input.dispatchKeyEvent', { type: 'keyUp', ...key });
}

const sleep = (ms) => new Promise((r) => setTimeout(r, ms));

// Share of pixels that are not black, how many distinct colours there are,
// and the mean colour of the top and the bottom third.
function describe(img) {
  let lit = 0;
  const colours = new Set(), top = [0, 0, 0], bottom = [0, 0, 0];
  let nTop = 0, nBottom = 0;
  for (let y = 0; y < img.height; y++) {
    for (let x = 0; x < img.width; x++) {
      const i = (y * img.width + x) * img.channels;
      const rgb = [img.px[i], img.px[i + 1], img.px[i + 2]];
      if (rgb[0] + rgb[1] + rgb[2] > 24) lit++;
      colours.add((rgb[0] << 16) | (rgb[1] << 8) | rgb[2]);
      if (y < img.height / 3) { rgb.forEach((v, c) => { top[c] += v; }); nTop++; }
      if (y >= img.height * 2 / 3) { rgb.forEach((v, c) => { bottom[c] += v; }); nBottom++; }
    }
  }
  return { lit: lit / (img.width * img.height), colours: colours.size,
    top: top.map((v) => Math.round(v / nTop)), bottom: bottom.map((v) => Math.round(v / nBottom)) };
}

// The loading picture: a blue sky above a brighter planet, as the native
// loading frames show it from their first lit frame on (top third about
// RGB 40-72, 66-94, 139-158; bottom third 103-145, 151-196, 197-222).
function looksLikeLoading(d) {
  const sum = (c) => c[0] + c[1] + c[2];
  return d.lit > 0.9 && d.colours > 1000 && d.top[2] > d.top[0] + 40 && sum(d.bottom) > sum(d.top) + 100;
}

async function pagePlaysAndEnds() {
  const page = await openPage('');
  check(await page.evaluate(`!document.getElementById('start').hidden`), 'the page offers to start');
  await click(page, '#start');
  // The loading screen: the first frame that is not black, once the start
  // overlay (and the poster frame on it) has gone.
  await waitFor(page, `document.getElementById('start-overlay').hidden`);
  let shot = null;
  for (let i = 0; i < 600 && !shot; i++) {
    const img = await canvasShot(page, path.join(out, 'loading.png'));
    if (describe(img).lit > 0.02) shot = img;
    else await sleep(50);
  }
  check(shot !== null, 'the loading screen appears');
  if (shot) {
    // Let it draw a little more, then look at it.
    await sleep(1500);
    const d = describe(await canvasShot(page, path.join(out, 'loading.png')));
    check(looksLikeLoading(d), `the canvas shows the loading picture (${(100 * d.lit).toFixed(1)}% lit, ${d.colours} colours, ` +
      `top third ${d.top}, bottom third ${d.bottom}; ${path.join(out, 'loading.png')})`);
    await page.screenshot(path.join(out, 'page.png'));
    const t = await page.evaluate(`[window.qoClick, window.qoFirstDraw, performance.getEntriesByType('navigation')[0].loadEventEnd]`);
    console.log(`page loaded ${t[2].toFixed(0)} ms, clicked ${t[0].toFixed(0)} ms, first frame drawn ${t[1].toFixed(0)} ms after navigation start`);
  }
  const endShown = `!document.getElementById('end-overlay').hidden`;
  check(!(await page.evaluate(endShown)), 'the show is still playing before Escape');
  await pressEscape(page);
  let ended = false;
  for (let i = 0; i < 300 && !ended; i++) {
    ended = await page.evaluate(endShown);
    if (!ended) await sleep(100);
  }
  check(ended, 'Escape ends the show and the page offers to play again');
  check(page.errors.length === 0, 'no console error' + (page.errors.length ? ': ' + page.errors.join(' | ') : ''));
  await page.close();
}

const views = { phone: { width: 390, height: 844, mobile: true }, desktop: { width: 1280, height: 800, mobile: false } };

// Show seconds shown as m:ss.
const clockText = (seconds) => `${Math.floor(seconds / 60)}:${String(Math.floor(seconds % 60)).padStart(2, '0')}`;

// Show seconds the control bar shows.
const shownTime = `Number(document.getElementById('time').textContent.split(' / ')[0].replace(/(\\d+):(\\d+)/, (m, a, b) => 60 * a + +b))`;

async function waitFor(page, expression, tries = 600) {
  for (let i = 0; i < tries; i++) {
    if (await page.evaluate(expression)) return true;
    await sleep(100);
  }
  return false;
}

// Before the start, on a phone and on a desktop: a frame of the show behind
// the start button, the running time, the warning naming every scene that
// flashes and the switch that softens them beside the button; no key named
// where there are no keys.
async function pageBeforeStart() {
  for (const view of Object.values(views)) {
    const size = `${view.width}x${view.height}`;
    const page = await openPage('', view);
    await waitFor(page, `document.readyState === 'complete'`);
    const stage = await page.evaluate(`(() => { const r = document.getElementById('stage').getBoundingClientRect();
      return { x: r.x, y: r.y, width: r.width, height: r.height }; })()`);
    const d = describe(decodePng(await page.screenshot(path.join(out, `start-${size}.png`), stage)));
    const f = await page.evaluate(`(() => {
      const box = (id) => document.getElementById(id).getBoundingClientRect();
      const start = box('start'), gentle = document.getElementById('gentle').closest('label').getBoundingClientRect();
      return { warning: document.getElementById('warning').innerText, runtime: document.getElementById('runtime').innerText,
        text: document.body.innerText, apart: Math.hypot(start.x - gentle.x, start.y - gentle.y),
        wide: document.documentElement.scrollWidth };
    })()`);
    check(d.colours > 2000, `${size}: a frame of the show behind the start button (${d.colours} colours; start-${size}.png)`);
    check(/6 min 9 s/.test(f.runtime), `${size}: the running time is shown (${f.runtime})`);
    check(['intro', 'circles', 'meshes', 'reduce flashing'].every((w) => f.warning.includes(w)),
      `${size}: the warning names the intro, circles and meshes and the switch`);
    check(f.apart < 400 && f.wide <= view.width, `${size}: the switch is beside the button and nothing is wider than the screen`);
    check(view.mobile ? !/Escape|F12|Page Up/.test(f.text) : /Escape/.test(f.text), `${size}: keys are named only where there are keys`);
    check(page.errors.length === 0, `${size}: no console error` + (page.errors.length ? ': ' + page.errors.join(' | ') : ''));
    await page.close();
  }
}

// Seconds (from `from`) until the show time shown lies in [lo, hi): a
// jump has landed; null after 20 s.
async function landed(page, lo, hi, from = Date.now(), tries = 200) {
  const ok = await waitFor(page, `${shownTime} >= ${lo} && ${shownTime} < ${hi}`, tries);
  return ok ? (Date.now() - from) / 1000 : null;
}

async function pressKey(page, code, keyCode) {
  const key = { key: code.replace(/^Space$/, ' '), code, windowsVirtualKeyCode: keyCode, nativeVirtualKeyCode: keyCode };
  await page.send('Input.dispatchKeyEvent', { type: 'rawKeyDown', ...key });
  await page.send('Input.dispatchKeyEvent', { type: 'keyUp', ...key });
}

// One second of the page: whether the canvas is the same at both ends, the
// drawings made, the seconds the time shown moved and the milliseconds the
// page's main thread was busy (chromium's TaskDuration).
async function pageSecond(page, name) {
  const busy = async () => (await page.send('Performance.getMetrics')).metrics.find((m) => m.name === 'TaskDuration').value;
  const first = await canvasShot(page, path.join(out, `${name}-1.png`));
  const [draws, time, task] = [await page.evaluate('window.qoDraws'), await page.evaluate(shownTime), await busy()];
  await sleep(1000);
  const [draws2, time2, task2] = [await page.evaluate('window.qoDraws'), await page.evaluate(shownTime), await busy()];
  const second = await canvasShot(page, path.join(out, `${name}-2.png`));
  return { same: first.px.equals(second.px), draws: draws2 - draws, moved: time2 - time, busyMs: Math.round(1000 * (task2 - task)) };
}

// The control bar: its chapter marks are the native program's scene starts;
// a mark, the seek bar and the keys jump through the show without starting
// it again; a pause holds the picture, draws nothing and stops the clocks,
// and play goes on from there.
async function pageControls() {
  const page = await openPage('', views.desktop);
  await click(page, '#start');
  check(await waitFor(page, `!document.getElementById('controls').classList.contains('idle')`), 'the control bar comes with the show');
  const native = runNative(['--list-scenes']).trim().split('\n').map((l) => l.trim().split(/\s+/).map((v, i) => (i ? Number(v) : v)));
  const marks = await page.evaluate(`[...document.querySelectorAll('.chapter')].map((m) => m.title)`);
  check(marks.join('|') === native.map(([name, start]) => `${name} ${clockText(start)}`).join('|'),
    `the seek bar marks the six scenes where they start (${marks.join(', ')})`);
  // Seeking waits for the first scene: the loading screen has no show time.
  check(await waitFor(page, `!document.getElementById('seek').disabled`), 'the seek bar works once the intro plays');
  const runs = `performance.getEntriesByType('resource').filter((e) => e.name.endsWith('.wasm')).length`;
  const [name, start] = native[4];
  await click(page, `.chapter[data-scene="${name}"]`);
  const toMark = await landed(page, Math.floor(start), start + 5);
  check(toMark !== null, `the ${name} mark moves the time shown to ${clockText(start)} (${await page.evaluate(shownTime)} s, ${toMark} s)`);
  // Paused: two pictures a second apart are the same, nothing is drawn,
  // the time stands still.
  await page.send('Performance.enable');
  await click(page, '#play');
  check(await waitFor(page, `document.getElementById('play').textContent === 'play'`, 30), 'the play button pauses the show');
  await sleep(300);
  const paused = await pageSecond(page, 'paused');
  check(paused.same && paused.draws === 0 && paused.moved === 0,
    `paused, the picture, the time and the drawing stand still for 1 s (${paused.draws} draws, ${paused.moved} s on; ` +
    `the page busy ${paused.busyMs} ms of it)`);
  // A seek ends the pause and lands where the bar was let go.
  const target = native[3][1] + 12.5;
  const t0 = Date.now();
  await page.evaluate(`(() => { const s = document.getElementById('seek'); s.value = '${target}';
    s.dispatchEvent(new Event('change')); })()`);
  const toSeek = await landed(page, Math.floor(target), target + 5, t0);
  check(toSeek !== null && await waitFor(page, `document.getElementById('play').textContent === 'pause'`, 30),
    `the seek bar ends the pause and takes the show to ${clockText(target)} (${await page.evaluate(shownTime)} s, ${toSeek} s)`);
  const playing = await pageSecond(page, 'playing');
  check(!playing.same && playing.draws > 10 && playing.moved >= 1,
    `playing on, the picture changes and the time moves (${playing.draws} draws, ${playing.moved} s on; the page busy ${playing.busyMs} ms of 1 s)`);
  // The keys: Right 10 s on, Page Up to the scene before, Home to the intro.
  for (const [code, keyCode, to] of [['ArrowRight', 39, null], ['PageUp', 33, native[2][1]], ['Home', 36, native[0][1]]]) {
    const now = await page.evaluate(shownTime);
    const at = to ?? now + 10;
    const t = Date.now();
    await pressKey(page, code, keyCode);
    const took = await landed(page, Math.floor(at), at + 5, t);
    check(took !== null, `${code} takes the show from ${clockText(now)} to ${clockText(at)} (${await page.evaluate(shownTime)} s, ${took} s)`);
  }
  check(await page.evaluate(runs) === 1, 'every move played on in the same run of the program');
  await page.screenshot(path.join(out, 'playing-1280x800.png'));
  // F12 saves the picture as drawn: 512 x 384, named with the show time.
  const saved = fs.mkdtempSync(path.join(out, 'f12-'));
  await browser.send('Browser.setDownloadBehavior', { behavior: 'allow', downloadPath: saved });
  await pressKey(page, 'F12', 123);
  let file = null;
  for (let i = 0; i < 100 && !file; i++) {
    file = fs.readdirSync(saved).find((f) => /^quietorbit-\d+\.\d\ds\.png$/.test(f));
    if (!file) await sleep(100);
  }
  const picture = file && decodePng(fs.readFileSync(path.join(saved, file)));
  check(picture && picture.width === 512 && picture.height === 384 && describe(picture).lit > 0.5,
    `F12 saves the picture on the canvas (${file}${picture ? `, ${picture.width} x ${picture.height}` : ''})`);
  await pressEscape(page);
  await waitFor(page, `!document.getElementById('end-overlay').hidden`);
  check(page.errors.length === 0, 'no console error in the controls' + (page.errors.length ? ': ' + page.errors.join(' | ') : ''));
  await page.close();
  // A link to a moment starts the show there.
  const link = await openPage('?t=200', views.desktop);
  await click(link, '#start');
  // (after the loading screen, which plays first)
  const toLink = await landed(link, 200, 205, Date.now(), 600);
  check(toLink !== null, `?t=200 starts the show at 3:20 (${await link.evaluate(shownTime)} s)`);
  await link.close();
}

// The native program, headless, in a folder of its own beside the data; its
// output, or what `read` makes of the folder it ran in.
function runNative(options, read = null) {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'qo-native-'));
  fs.symlinkSync(data, path.join(dir, 'data'));
  try {
    const output = execFileSync(native, options,
      { cwd: dir, env: { ...process.env, SDL_VIDEODRIVER: 'dummy', SDL_AUDIODRIVER: 'dummy' },
        stdio: ['ignore', 'pipe', 'ignore'], maxBuffer: 1 << 24 }).toString();
    return read ? read(dir) : output;
  } finally {
    fs.rmSync(dir, { recursive: true, force: true });
  }
}

function nativeHashes(bpp, frames) {
  return JSON.parse(runNative(['--hashes', '--frames=' + frames.join(','), '-nommx', `-bpp:${bpp}b`]));
}

// Waits for a test or benchmark run of the page to put its JSON into
// #qo-result; null when the page reports an error first or takes longer
// than half an hour.
async function pageResult(page) {
  const deadline = Date.now() + 30 * 60 * 1000;
  while (page.errors.length === 0) {
    if (Date.now() > deadline) page.errors.push('no result after 30 minutes');
    else if (await page.evaluate('document.title') === 'qo-done') {
      const text = await page.evaluate(`document.getElementById('qo-result').textContent`);
      try { return JSON.parse(text); } catch { page.errors.push('no JSON in #qo-result: ' + text.slice(0, 200)); }
    }
    await sleep(1000);
  }
  return null;
}

async function framesMatchNative(bpp) {
  const frames = showFrames();
  const page = await openPage(`?frames=${frames.join(',')}&bpp=${bpp}`);
  const web = await pageResult(page);
  await page.close();
  if (!web) {
    check(false, `the ${bpp}-bit frame run finishes: ` + page.errors.join(' | '));
    return;
  }
  const ref = nativeHashes(bpp, frames);
  const differ = frames.filter((f) => web.frames[f] !== ref.frames[f]);
  check(Object.keys(web.frames).length === frames.length && differ.length === 0,
    `${frames.length} frames at ${bpp} bits hash as natively` + (differ.length ? ` (differ: ${differ.join(',')})` : ''));
  check(page.errors.length === 0, `no console error in the ${bpp}-bit frame run` + (page.errors.length ? ': ' + page.errors.join(' | ') : ''));
  console.log(`  ms per frame, median (web / native plain kernels) at ${bpp} bits:`);
  for (const scene of Object.keys(ref.ms_per_frame)) {
    const w = web.ms_per_frame[scene], n = ref.ms_per_frame[scene];
    console.log(`    ${scene.padEnd(10)} ${w.toFixed(3)} / ${n.toFixed(3)}  (${(w / n).toFixed(2)}x)`);
  }
}

// Median and 95th percentile of each scene's drawing time, from the page's
// ?benchmark run beside the native plain kernels' --benchmark.
async function benchmark(bpp) {
  const page = await openPage(`?benchmark&bpp=${bpp}`);
  const web = await pageResult(page);
  await page.close();
  if (!web) throw new Error(page.errors.join(' | '));
  const ref = JSON.parse(runNative(['--benchmark', '--json', '-nommx', `-bpp:${bpp}b`]));
  console.log(`ms per frame at ${bpp} bits: median / p95, web beside native plain kernels`);
  for (const w of web.scenes) {
    const n = ref.scenes.find((r) => r.scene === w.scene);
    console.log(`  ${w.scene.padEnd(10)} web ${w.median_ms.toFixed(3)} / ${w.p95_ms.toFixed(3)}   ` +
      `native ${n.median_ms.toFixed(3)} / ${n.p95_ms.toFixed(3)}   (${(w.median_ms / n.median_ms).toFixed(2)}x median)`);
  }
  // The jumps the benchmark makes after the show (to the middle and the end
  // of every scene), from the jump to its first frame presented.
  console.log(`jumps at ${bpp} bits, ms: median ${web.jump_median_ms} / max ${web.jump_max_ms} web, ` +
    `median ${ref.jump_median_ms} / max ${ref.jump_max_ms} native plain kernels`);
  for (const [i, j] of web.jumps.entries())
    console.log(`  ${j.scene.padEnd(10)} ${j.to.padEnd(7)} web ${j.ms.toFixed(1).padStart(7)}   native ${ref.jumps[i].ms.toFixed(1).padStart(7)}`);
}

try {
  if (only === 'bench') for (const bpp of [32, 16]) await benchmark(bpp);
  else {
    if (only !== 'frames') {
      await pageBeforeStart();
      await pagePlaysAndEnds();
      await pageControls();
    }
    if (only !== 'page') for (const bpp of [32, 16]) await framesMatchNative(bpp);
  }
} finally {
  await browser.close();
  server.close();
  fs.rmSync(profile, { recursive: true, force: true });
}
console.log(failures ? `${failures} browser test(s) failed` : 'browser tests passed');
process.exit(failures ? 1 : 0);
