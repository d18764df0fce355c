// web_test.mjs -- the browser build played in headless Chromium: the page is served on 127.0.0.1 by this
// test, its canvas is read back and compared with the headless build's pictures, and a run is played
// with real mouse and key input (start, shoot, reload, Escape) at two page sizes, with sound flowing; then
// the page installs (manifest, icons, service worker), plays offline, and a new build replaces the old.
//   node web_test.mjs --page BUILD_WEB_DIR --reference SCREEN_REFERENCE_EXE --source SOURCE_ROOT
// Exits 77 (skipped) when the page or the node modules are missing, unless KALVORO_REQUIRE_WEB is set.
import { test, after, before } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import http from 'node:http';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const HERE = path.dirname(fileURLToPath(import.meta.url));
const W = 320;
const H = 200;
// The blinking press-any-key prompt: its rows depend on when the picture was taken.
const PROMPT_ROWS = [168, 175];
const CLICK = { x: 480, y: 100 }; // where screen_reference clicked, at 960 x 600
const SKY = 0x58a4d8;
const SHELL_LOADED = 0xd0dc78;
const SHELL_SPENT = 0x7c807b;
const WHITE = 0xffffff;
// Enemies patrol in real time: wherever either picture shows one, the pixel is not compared.
const ENEMY_COLOURS = new Set([0x3eb849, 0x1d681d]);
// screen_reference plays 150 frames of 16 ms before its picture: the camera eases per frame, the
// player lands in time, so the page must have run at least as many frames and as long.
const SETTLE_FRAMES = 150;
const SETTLE_MS = 3000;
// Longest wait for something to show; generous, since the machine may be busy with other tests.
const WAIT_MS = 15000;

function argument(name) {
  const i = process.argv.indexOf(`--${name}`);
  return i > 0 && i + 1 < process.argv.length ? process.argv[i + 1] : '';
}

const pageDir = path.resolve(argument('page') || path.join(HERE, '../../build-web'));
const referenceExe = argument('reference');
const sourceDir = path.resolve(argument('source') || path.join(HERE, '../..'));
// Where to keep a screenshot of the page in play for people to look at (none when not given).
const shotsDir = argument('shots');
const playwrightEntry = path.join(HERE, 'node_modules/playwright-core/index.mjs');

for (const [what, file, fix] of [
  ['the page', path.join(pageDir, 'index.html'), 'make web'],
  ['playwright-core', playwrightEntry, 'npm ci in tests/web'],
]) {
  if (!fs.existsSync(file)) {
    console.error(`web_test: ${what} is missing (${file}); run ${fix}.`);
    process.exit(process.env.KALVORO_REQUIRE_WEB ? 1 : 77);
  }
}
if (!referenceExe || !fs.existsSync(referenceExe)) {
  console.error('web_test: --reference must name the built screen_reference program');
  process.exit(1);
}

const { chromium } = await import(playwrightEntry);

function readPpm(file) {
  const data = fs.readFileSync(file);
  const header = data.subarray(0, 20).toString('latin1').match(/^P6\s+(\d+)\s+(\d+)\s+255\s/);
  assert.ok(header, `${file} is not a binary PPM`);
  const [w, h] = [Number(header[1]), Number(header[2])];
  const rgb = data.subarray(header[0].length);
  const pixels = new Uint32Array(w * h);
  for (let i = 0; i < w * h; i++) {
    pixels[i] = (rgb[i * 3] << 16) | (rgb[i * 3 + 1] << 8) | rgb[i * 3 + 2];
  }
  return { w, h, pixels };
}

// The page's files only, from its own folder; anything else is a 404.
function servePage(root) {
  const types = { '.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm',
    '.webmanifest': 'application/manifest+json', '.png': 'image/png' };
  const server = http.createServer((req, res) => {
    const name = decodeURIComponent(new URL(req.url, 'http://127.0.0.1').pathname);
    const file = path.join(root, path.normalize(name === '/' ? '/index.html' : name));
    if (req.method !== 'GET' || !file.startsWith(root + path.sep)) {
      res.writeHead(404).end();
      return;
    }
    fs.readFile(file, (err, body) => {
      if (err) {
        res.writeHead(404).end();
      } else {
        res.writeHead(200, { 'Content-Type': types[path.extname(file)] || 'application/octet-stream' });
        res.end(body);
      }
    });
  });
  return new Promise((resolve) => server.listen(0, '127.0.0.1', () => resolve(server)));
}

const hex = (c) => `#${c.toString(16).padStart(6, '0')}`;

// Pixels that differ between the canvas and a reference picture, outside the masked rows and,
// when asked, wherever an enemy stands in either picture.
function differences(actual, expected, maskRows, maskEnemies = false) {
  const out = [];
  for (let y = 0; y < H; y++) {
    if (maskRows && y >= maskRows[0] && y <= maskRows[1]) {
      continue;
    }
    for (let x = 0; x < W; x++) {
      const i = y * W + x;
      if (maskEnemies && (ENEMY_COLOURS.has(actual[i]) || ENEMY_COLOURS.has(expected[i]))) {
        continue;
      }
      if (actual[i] !== expected[i]) {
        out.push(`(${x}, ${y}) ${hex(actual[i])} instead of ${hex(expected[i])}`);
      }
    }
  }
  return out;
}

let server;
let context;
let page;
let reference;
let profileDir;
let refDir;
let servedDir;
const consoleErrors = [];

// The canvas contents as 0xRRGGBB, with the alpha of every pixel checked to be opaque.
async function canvasPixels() {
  // Carried out of the page as base64: a quarter megabyte of numbers in JSON is slow on a busy machine.
  const b64 = await page.evaluate(() => {
    const c = document.getElementById('screen');
    const bytes = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;
    let text = '';
    for (let i = 0; i < bytes.length; i += 0x8000) {
      text += String.fromCharCode.apply(null, bytes.subarray(i, i + 0x8000));
    }
    return btoa(text);
  });
  const rgba = Buffer.from(b64, 'base64');
  assert.equal(rgba.length, W * H * 4, 'the canvas is not 320 x 200');
  const pixels = new Uint32Array(W * H);
  for (let i = 0; i < W * H; i++) {
    assert.equal(rgba[i * 4 + 3], 255, 'a canvas pixel is not opaque');
    pixels[i] = (rgba[i * 4] << 16) | (rgba[i * 4 + 1] << 8) | rgba[i * 4 + 2];
  }
  return pixels;
}

const at = (pixels, x, y) => pixels[y * W + x];

// Polls the canvas until the predicate holds; fails with the last reason it gave.
async function waitForCanvas(what, predicate) {
  const end = Date.now() + WAIT_MS;
  let last = '';
  for (;;) {
    const pixels = await canvasPixels();
    const result = predicate(pixels);
    if (result === true) {
      return pixels;
    }
    last = result;
    if (Date.now() > end) {
      assert.fail(`${what}: ${last}`);
    }
    await page.waitForTimeout(30);
  }
}

// A press long enough to span several frames: the game polls the button once per frame.
async function clickAt(x, y) {
  await page.mouse.move(x, y);
  await page.mouse.down();
  await page.waitForTimeout(120);
  await page.mouse.up();
}

async function tapKey(key) {
  await page.keyboard.down(key);
  await page.waitForTimeout(120);
  await page.keyboard.up(key);
}

// The yellow debug-flight line under the HUD.
function flightNotice(pixels) {
  return pixels.subarray(40 * W, 48 * W).some((c) => c === SHELL_LOADED);
}

function hudShells(pixels) {
  return [at(pixels, 10, 10), at(pixels, 20, 10)];
}

function expectShells(loaded, spent) {
  return (pixels) => {
    const shells = hudShells(pixels);
    const want = [...Array(loaded).fill(SHELL_LOADED), ...Array(spent).fill(SHELL_SPENT)];
    return shells.every((c, i) => c === want[i]) || `HUD shells ${shells.map(hex)}, wanted ${want.map(hex)}`;
  };
}

// The crosshair at the logical point a client position maps to (truncation, then clamping).
function expectCrosshair(lx, ly) {
  return (pixels) => {
    const arms = [[0, 0], [-4, 0], [4, 0], [0, -4], [0, 4]];
    const off = arms.filter(([dx, dy]) => at(pixels, lx + dx, ly + dy) !== WHITE);
    return off.length === 0 || `crosshair not at (${lx}, ${ly}): ${off.length} of its points are not white`;
  };
}

async function canvasBox() {
  return page.evaluate(() => {
    const r = document.getElementById('screen').getBoundingClientRect();
    return { x: r.left, y: r.top, w: r.width, h: r.height };
  });
}

// The desktop's layout rule: largest whole scale that fits (at least 1), centred, truncating.
function layoutFor(cw, ch) {
  const scale = Math.max(1, Math.min(Math.trunc(cw / W), Math.trunc(ch / H)));
  return { scale, x: Math.trunc((cw - W * scale) / 2), y: Math.trunc((ch - H * scale) / 2), w: W * scale, h: H * scale };
}

// As many frames and as much time as screen_reference gives the view to come to rest.
async function settle(p) {
  await p.evaluate(([frames, ms]) => new Promise((resolve) => {
    let count = 0;
    const end = performance.now() + ms;
    const tick = () => (++count >= frames && performance.now() >= end ? resolve() : requestAnimationFrame(tick));
    requestAnimationFrame(tick);
  }), [SETTLE_FRAMES, SETTLE_MS]);
}

async function audioStats() {
  return page.evaluate(() => ({ ...Module.webAudioStats }));
}

before(async () => {
  refDir = fs.mkdtempSync(path.join(os.tmpdir(), 'kalvoro-web-ref-'));
  execFileSync(referenceExe, ['logical', sourceDir, refDir], { stdio: 'inherit' });
  reference = { title: readPpm(path.join(refDir, 'title.ppm')), play: readPpm(path.join(refDir, 'play.ppm')) };
  // A copy, so the test can make a new build of it.
  servedDir = fs.mkdtempSync(path.join(os.tmpdir(), 'kalvoro-web-page-'));
  for (const file of fs.readdirSync(pageDir)) {
    if (fs.statSync(path.join(pageDir, file)).isFile()) {
      fs.copyFileSync(path.join(pageDir, file), path.join(servedDir, file));
    }
  }
  server = await servePage(servedDir);
  profileDir = fs.mkdtempSync(path.join(os.tmpdir(), 'kalvoro-web-profile-'));
  context = await chromium.launchPersistentContext(profileDir, {
    executablePath: process.env.KALVORO_CHROMIUM || '/usr/bin/chromium',
    headless: true,
    viewport: { width: 960, height: 600 },
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync'],
  });
  page = context.pages()[0] || (await context.newPage());
  page.on('console', (m) => {
    if (m.type() === 'error') {
      consoleErrors.push(`console: ${m.text()}`);
    }
  });
  page.on('pageerror', (e) => consoleErrors.push(`page error: ${e.message}`));
  page.on('requestfailed', (r) => consoleErrors.push(`request failed: ${r.url()}`));
  page.on('response', (r) => {
    if (r.status() >= 400) {
      consoleErrors.push(`HTTP ${r.status()}: ${r.url()}`);
    }
  });
  await page.goto(`http://127.0.0.1:${server.address().port}/index.html`);
  await page.waitForFunction(() => window.Module && Module.webScreen && Module.webAudioStats, null, { timeout: 15000 });
});

after(async () => {
  if (context) {
    await context.close();
  }
  if (server) {
    server.close();
  }
  for (const dir of [profileDir, refDir, servedDir]) {
    if (dir) {
      fs.rmSync(dir, { recursive: true, force: true });
    }
  }
});

test('the page opens on the title screen, pixel for pixel the headless picture, at scale 3', async () => {
  assert.equal(await page.title(), 'Shotgun-Kalvoro');
  await waitForCanvas('title screen', (pixels) => {
    const diff = differences(pixels, reference.title.pixels, PROMPT_ROWS);
    return diff.length === 0 || `${diff.length} pixels differ, first ${diff.slice(0, 3).join('; ')}`;
  });
  assert.deepEqual(await canvasBox(), { x: 0, y: 0, w: 960, h: 600 });
  const style = await page.evaluate(() => getComputedStyle(document.getElementById('screen')).imageRendering);
  assert.equal(style, 'pixelated');
});

test('the page carries the shipped stage where the game reads it, or none', async () => {
  const shipped = path.join(sourceDir, 'tools/maptool/map.txt');
  const carried = await page.evaluate(() => {
    const info = FS.analyzePath('/tools/maptool/map.txt');
    return info.exists ? FS.readFile('/tools/maptool/map.txt', { encoding: 'utf8' }) : null;
  });
  assert.equal(carried, fs.existsSync(shipped) ? fs.readFileSync(shipped, 'utf8') : null);
});

test('the page takes the game\'s numbers from the game: none is written in its markup or script', async () => {
  const game = await page.evaluate(() => Module.webGame);
  assert.equal(game.readCap, 1 << 20);
  assert.equal(game.shippedStage, '/tools/maptool/map.txt');
  assert.equal(game.storageKey, 'kalvoro-stage');
  for (const file of ['index.html', 'sw.js.in', 'manifest.webmanifest']) {
    const text = fs.readFileSync(path.join(sourceDir, 'backends/web', file), 'utf8');
    for (const literal of [/\b320\b/, /\b200\b/, /\b56\b/, /1 << 20/, /kalvoro-stage/, /map\.txt/, /\/stage\//]) {
      assert.doesNotMatch(text, literal, `${file} writes ${literal} itself`);
    }
  }
});

test('before the first click or key the sound waits, held, and the game keeps running', async () => {
  const stats = await audioStats();
  assert.equal(stats.queued, 2, 'both blocks should be queued and held');
  assert.equal(stats.scheduled, 0, 'nothing may play before a gesture');
  // The prompt blinks: frames go on while the sound device holds both blocks. Watched from inside the
  // page at every animation frame, so no blink is missed between two looks.
  const blinked = await page.evaluate(([y0, y1, limit]) => new Promise((resolve) => {
    const c = document.getElementById('screen').getContext('2d');
    const seen = new Set();
    const end = performance.now() + limit;
    const look = () => {
      const d = c.getImageData(0, y0, 320, y1 - y0 + 1).data;
      let lit = false;
      for (let i = 0; i < d.length && !lit; i += 4) {
        lit = d[i] === 255 && d[i + 1] === 255 && d[i + 2] === 255;
      }
      seen.add(lit);
      if (seen.size === 2 || performance.now() > end) {
        resolve(seen.size === 2);
      } else {
        requestAnimationFrame(look);
      }
    };
    look();
  }), [PROMPT_ROWS[0], PROMPT_ROWS[1], WAIT_MS]);
  assert.ok(blinked, 'the prompt never blinked: the frame loop stalled');
  const later = await audioStats();
  assert.equal(later.offered, 2, 'the game was told a block was free before it had played');
  assert.equal(later.queued, 2);
});

test('a quick click starts the stage, the crosshair follows the mouse, and the settled view is the headless one', async () => {
  // Down and up within one animation frame, as a touchpad tap: the press is still seen once.
  await page.mouse.click(CLICK.x, CLICK.y);
  await waitForCanvas('stage start', expectShells(2, 0));
  await waitForCanvas('crosshair', expectCrosshair(CLICK.x / 3, Math.trunc(CLICK.y / 3)));
  await settle(page);
  const diff = differences(await canvasPixels(), reference.play.pixels, null, true);
  assert.equal(diff.length, 0, `the view in play differs from the headless one: ${diff.slice(0, 3).join('; ')}`);
  if (shotsDir) {
    fs.mkdirSync(shotsDir, { recursive: true });
    await page.screenshot({ path: path.join(shotsDir, 'web-play.png') });
  }
  // F: debug flight, so no enemy can end the run while the test plays on.
  await tapKey('f');
  await waitForCanvas('debug flight on', (pixels) => flightNotice(pixels) || 'no debug flight notice');
});

test('after the first click the sound blocks flow back to back and carry the start sound', async () => {
  const end = Date.now() + WAIT_MS;
  let stats = await audioStats();
  while (stats.scheduled < 6 && Date.now() < end) {
    await page.waitForTimeout(100);
    stats = await audioStats();
  }
  assert.equal(stats.state, 'running');
  assert.ok(stats.scheduled >= 6, `only ${stats.scheduled} blocks played`);
  assert.equal(stats.offered, stats.queued, 'the game was told a block was free before it had played');
  assert.ok(stats.queued - stats.scheduled <= 2, 'more blocks waiting than the two the game has');
  assert.ok(stats.peak > 0, 'every block was silent');
  // Held until played: over a stretch of time no more blocks go out than that time can play.
  const t0 = Date.now();
  await page.waitForTimeout(1500);
  const later = await audioStats();
  const blocks = later.offered - stats.offered;
  const playable = (Date.now() - t0) / (5512 / 22050);
  assert.ok(blocks >= 2 && blocks <= playable + 2, `${blocks} blocks in the time of ${playable.toFixed(1)}`);
  assert.ok(stats.peak <= 8000, `a sample of ${stats.peak} is louder than the game ever writes`);
});

test('a press released outside the picture counts as released: two upward shots spend both shells', async () => {
  // A border appears around the picture; the first press starts on the picture and ends on the border.
  await page.setViewportSize({ width: 1000, height: 700 });
  await page.mouse.move(500, 150);
  await page.mouse.down();
  await page.waitForTimeout(120);
  await page.mouse.move(5, 5);
  await page.mouse.up();
  await waitForCanvas('first shot', expectShells(1, 1));
  // Only a button that was seen going up can make a new press; a quick click is one.
  await page.mouse.click(500, 150);
  await waitForCanvas('second shot', expectShells(0, 2));
});

test('the picture keeps the whole-number layout at two page sizes, and the mouse maps back through it', async () => {
  for (const [cw, ch] of [[1000, 700], [700, 450]]) {
    await page.setViewportSize({ width: cw, height: ch });
    const want = layoutFor(cw, ch);
    const end = Date.now() + WAIT_MS;
    let box = await canvasBox();
    while ((box.x !== want.x || box.w !== want.w) && Date.now() < end) {
      await page.waitForTimeout(30);
      box = await canvasBox();
    }
    assert.deepEqual(box, { x: want.x, y: want.y, w: want.w, h: want.h }, `page ${cw} x ${ch}`);
    const client = { x: want.x + want.scale * 100 + want.scale - 1, y: want.y + want.scale * 50 };
    await page.mouse.move(client.x, client.y);
    await waitForCanvas(`crosshair at ${cw} x ${ch}`, expectCrosshair(100, 50));
    // Black around the picture: the page's own pixels at a corner of the border.
    const shot = await page.screenshot({ clip: { x: 0, y: 0, width: 2, height: 2 } });
    const corner = await page.evaluate(async (b64) => {
      const img = new Image();
      img.src = `data:image/png;base64,${b64}`;
      await img.decode();
      const c = document.createElement('canvas');
      c.width = 2;
      c.height = 2;
      const g = c.getContext('2d');
      g.drawImage(img, 0, 0);
      return Array.from(g.getImageData(0, 0, 1, 1).data.slice(0, 3));
    }, shot.toString('base64'));
    assert.deepEqual(corner, [0, 0, 0], `border at ${cw} x ${ch}`);
  }
});

test('on a screen of two pixels per CSS pixel the layout counts screen pixels: scale 5 is 2.5 CSS pixels', async () => {
  const cdp = await context.newCDPSession(page);
  const [cw, ch, ratio] = [850, 520, 2];
  await cdp.send('Emulation.setDeviceMetricsOverride', { width: cw, height: ch, deviceScaleFactor: ratio, mobile: false });
  try {
    const want = layoutFor(cw * ratio, ch * ratio);
    assert.equal(want.scale, 5);
    const css = { x: want.x / ratio, y: want.y / ratio, w: want.w / ratio, h: want.h / ratio };
    const end = Date.now() + WAIT_MS;
    let box = await canvasBox();
    while (box.w !== css.w && Date.now() < end) {
      await page.waitForTimeout(30);
      box = await canvasBox();
    }
    assert.deepEqual(box, css);
    // The cursor reaches the game in screen pixels too.
    await page.mouse.move((want.x + want.scale * 100 + want.scale - 1) / ratio, (want.y + want.scale * 50) / ratio);
    await waitForCanvas('crosshair at two screen pixels per CSS pixel', expectCrosshair(100, 50));
  } finally {
    await cdp.send('Emulation.clearDeviceMetricsOverride');
    await cdp.detach();
    await page.setViewportSize({ width: 700, height: 450 });
  }
});

test('keys the game takes do not scroll the page, and the right button opens no menu', async () => {
  await page.evaluate(() => {
    window.kalvoroDefaults = [];
    window.addEventListener('keydown', (e) => window.kalvoroDefaults.push([e.code, e.defaultPrevented]));
    window.addEventListener('contextmenu', (e) => window.kalvoroDefaults.push(['contextmenu', e.defaultPrevented]));
  });
  await tapKey('ArrowDown');
  await tapKey('Space');
  await page.mouse.click(20, 20, { button: 'right' });
  assert.deepEqual(await page.evaluate(() => window.kalvoroDefaults),
    [['ArrowDown', true], ['Space', true], ['contextmenu', true]]);
});

test('a quick R starts the reload; Escape brings back the title screen', async () => {
  // Out of debug flight first: the weapon only reloads in normal play.
  await tapKey('f');
  await waitForCanvas('debug flight off', (pixels) => !flightNotice(pixels) || 'debug flight still on');
  await page.keyboard.press('r');
  await waitForCanvas('reload bar', (pixels) => at(pixels, 8, 18) === WHITE || `no reload bar (${hex(at(pixels, 8, 18))})`);
  await tapKey('Escape');
  await waitForCanvas('title after Escape', (pixels) => {
    const diff = differences(pixels, reference.title.pixels, PROMPT_ROWS);
    return diff.length === 0 || `${diff.length} pixels differ from the title`;
  });
});

// Where the crosshair's centre is: the point whose four arms 4 pixels out are white too.
function findCrosshair(pixels) {
  for (let y = 4; y < H - 4; y++) {
    for (let x = 4; x < W - 4; x++) {
      if ([[0, 0], [-4, 0], [4, 0], [0, -4], [0, 4]].every(([dx, dy]) => at(pixels, x + dx, y + dy) === WHITE)) {
        return { x, y };
      }
    }
  }
  return null;
}

// Frames the page runs, counted at its animation frames: the game reads its input once in each.
async function frames(n) {
  await page.evaluate((count) => new Promise((resolve) => {
    let left = count;
    const tick = () => (--left <= 0 ? resolve() : requestAnimationFrame(tick));
    requestAnimationFrame(tick);
  }), n);
}

function expectTitle(pixels) {
  const diff = differences(pixels, reference.title.pixels, PROMPT_ROWS);
  return diff.length === 0 || `${diff.length} pixels differ from the title`;
}

test('F11, Alt+Enter and the button toggle full screen on the title without starting the stage', async () => {
  // A page wider than the picture: the button sits in the black band right of it.
  await page.setViewportSize({ width: 1100, height: 700 });
  const fullscreen = () => page.evaluate(() => document.fullscreenElement === document.documentElement);
  await page.keyboard.down('Alt');
  await page.keyboard.press('Enter');
  await page.keyboard.up('Alt');
  await page.waitForFunction(() => document.fullscreenElement !== null);
  await frames(10);
  await waitForCanvas('title after Alt+Enter', expectTitle);
  await tapKey('F11');
  await page.waitForFunction(() => document.fullscreenElement === null);
  await frames(10);
  await waitForCanvas('title after F11', expectTitle);
  const button = await page.evaluate(() => {
    const r = document.getElementById('button-fullscreen').getBoundingClientRect();
    return { x: r.left + r.width / 2, y: r.top + r.height / 2, right: r.right };
  });
  const box = await canvasBox();
  assert.ok(button.x > box.x + box.w, 'the button is over the picture');
  await page.mouse.click(button.x, button.y);
  await page.waitForFunction(() => document.fullscreenElement !== null);
  assert.ok(await fullscreen());
  await frames(10);
  await waitForCanvas('title after the button', expectTitle);
  await page.keyboard.press('F11');
  await page.waitForFunction(() => document.fullscreenElement === null);
  // No arrow over the picture, the page's own over the borders.
  const cursors = await page.evaluate(() => [getComputedStyle(document.getElementById('screen')).cursor,
    getComputedStyle(document.body).cursor]);
  assert.deepEqual(cursors, ['none', 'auto']);
});

test('a scripted gamepad starts the stage, turns the aim around the player, fires, reloads and leaves', async () => {
  await page.evaluate(() => {
    const pad = { connected: true, mapping: 'standard', axes: [0, 0, 0, 0],
      buttons: Array.from({ length: 17 }, () => ({ pressed: false, value: 0 })) };
    window.kalvoroPad = pad;
    navigator.getGamepads = () => [pad];
    window.kalvoroPadSet = (button, value) => { pad.buttons[button] = { pressed: value >= 0.5, value }; };
  });
  const press = async (button) => {
    await page.evaluate((b) => window.kalvoroPadSet(b, 1), button);
    await frames(4);
    await page.evaluate((b) => window.kalvoroPadSet(b, 0), button);
    await frames(4);
  };
  const stick = (x, y) => page.evaluate(([ax, ay]) => { window.kalvoroPad.axes = [0, 0, ax, ay]; }, [x, y]);
  await press(9); // Start
  await waitForCanvas('stage start by Start', expectShells(2, 0));
  // Let the player land, then aim straight up and straight right: 40 pixels from the same centre.
  await page.waitForTimeout(1500);
  await stick(0, -1);
  await frames(6);
  const up = findCrosshair(await canvasPixels());
  await stick(1, 0);
  await frames(6);
  const right = findCrosshair(await canvasPixels());
  assert.ok(up && right, 'no crosshair');
  assert.ok(Math.abs(right.x - up.x - 40) <= 1 && Math.abs(right.y - up.y - 40) <= 1,
    `aim up at ${JSON.stringify(up)}, right at ${JSON.stringify(right)}`);
  // The stick at rest leaves the aim; a mouse that does not move does not take it back.
  await stick(0.1, -0.1);
  await frames(6);
  assert.deepEqual(findCrosshair(await canvasPixels()), right);
  // Fire upward (no push) with the trigger, then reload with the west button.
  await stick(0, -1);
  await frames(6);
  await stick(0, 0);
  await press(7);
  await waitForCanvas('pad shot', expectShells(1, 1));
  await press(2);
  await waitForCanvas('pad reload', expectShells(2, 0));
  await press(9);
  await waitForCanvas('title after Start', expectTitle);
  await page.evaluate(() => { navigator.getGamepads = () => []; });
});

test('losing the focus lets go of everything; the click that brings the focus back and a press begun outside do not fire', async () => {
  await clickAt(300, 100);
  await waitForCanvas('stage start', expectShells(2, 0));
  await page.waitForTimeout(1000);
  const aim = { clientX: 400, clientY: 60 }; // above the player: a shot there pushes nothing
  // The page gets the focus back and the same click goes down on the picture.
  await page.evaluate((p) => {
    window.dispatchEvent(new FocusEvent('blur'));
    window.dispatchEvent(new FocusEvent('focus'));
    window.dispatchEvent(new MouseEvent('mousedown', { ...p, button: 0, buttons: 1 }));
  }, aim);
  await frames(6);
  await page.evaluate((p) => window.dispatchEvent(new MouseEvent('mouseup', { ...p, button: 0, buttons: 0 })), aim);
  await frames(6);
  await waitForCanvas('no shot on the focusing click', expectShells(2, 0));
  // Pressed while the page had no focus, still held when it comes back: no shot either.
  await page.evaluate(() => window.dispatchEvent(new FocusEvent('blur')));
  await page.mouse.move(aim.clientX, aim.clientY);
  await page.mouse.down();
  await page.evaluate(() => window.dispatchEvent(new FocusEvent('focus')));
  await page.waitForTimeout(200);
  await page.mouse.move(aim.clientX + 3, aim.clientY);
  await frames(6);
  await page.mouse.up();
  await waitForCanvas('no shot from a press begun outside', expectShells(2, 0));
  await clickAt(aim.clientX, aim.clientY);
  await waitForCanvas('a click with the focus fires', expectShells(1, 1));
  // In debug flight D held flies right; after the focus goes, the view comes to rest.
  await tapKey('f');
  await waitForCanvas('debug flight on', (pixels) => flightNotice(pixels) || 'no debug flight notice');
  const before = await canvasPixels();
  await page.keyboard.down('d');
  await waitForCanvas('flying right', (pixels) => differences(pixels, before, [0, 47], true).length > 0 || 'the view stands still');
  await page.evaluate(() => window.dispatchEvent(new FocusEvent('blur')));
  await page.waitForTimeout(2000);
  const a = await canvasPixels();
  await page.waitForTimeout(700);
  const moved = differences(await canvasPixels(), a, [0, 47], true);
  assert.equal(moved.length, 0, `still flying after the focus went: ${moved.slice(0, 3).join('; ')}`);
  await page.keyboard.up('d');
  await page.evaluate(() => window.dispatchEvent(new FocusEvent('focus')));
  await tapKey('Escape');
  await waitForCanvas('title after Escape', expectTitle);
});

// Another page of the same browser at url, ready for input: loaded, in front, with the focus.
async function openPage(url, viewport = { width: 1100, height: 700 }) {
  const p = await context.newPage();
  p.on('pageerror', (e) => consoleErrors.push(`second page error: ${e.message}`));
  p.on('console', (m) => {
    if (m.type() === 'error') {
      consoleErrors.push(`second page console: ${m.text()}`);
    }
  });
  await p.setViewportSize(viewport);
  await p.goto(url);
  await p.waitForFunction(() => window.Module && Module.webScreen && Module.webStudio, null, { timeout: 15000 });
  await p.bringToFront();
  await p.waitForFunction(() => document.hasFocus(), null, { timeout: 15000 });
  await p.waitForTimeout(250);
  return p;
}

// Starts the stage with a click where screen_reference clicks, and lets the view come to rest.
async function startAndSettle(p) {
  const saved = page;
  page = p;
  try {
    const box = await canvasBox();
    await clickAt(box.x + box.w / 2, box.y + box.h / 6);
    await waitForCanvas('stage start', expectShells(2, 0));
    await settle(p);
    return await canvasPixels();
  } finally {
    page = saved;
  }
}

const studioMessage = (p) => p.evaluate(() => document.getElementById('studio-message').textContent);

test('the MAP button opens the stages; an opened file plays, downloads as map.txt and shares as a link that plays it elsewhere', async () => {
  const url = `http://127.0.0.1:${server.address().port}/index.html`;
  await context.grantPermissions(['clipboard-read', 'clipboard-write'], { origin: url });
  // A fresh page: the shared one may still be in debug flight from an earlier test.
  const first = await openPage(url);
  try {
    await first.click('#button-studio');
    assert.equal(await first.isVisible('#studio'), true);
    const stages = await first.evaluate(() => Array.from(document.querySelectorAll('#studio-stage option'), (o) => o.textContent));
    assert.equal(stages[0], 'Shipped stage');
    // The lessons and then the climb, each in its order, after the shipped stage; choosing one plays it.
    const setStages = (folder) => {
      const dir = path.join(sourceDir, 'tools/maptool', folder);
      return fs.existsSync(dir) ? fs.readdirSync(dir).filter((f) => f.endsWith('.txt')).sort() : [];
    };
    const lessonDir = path.join(sourceDir, 'tools/maptool/lessons');
    const lessons = setStages('lessons');
    const named = (label) => (f, i) => `${label} ${i + 1}: ${f.replace(/^\d+-|\.txt$/g, '').replace(/-/g, ' ')}`;
    assert.deepEqual(stages.slice(1), [...lessons.map(named('Lesson')), ...setStages('climb').map(named('Climb'))]);
    if (lessons.length > 0) {
      await first.selectOption('#studio-stage', { index: 1 });
      const played = await first.evaluate(() => Module.ccall('WebStageText', 'string', [], []));
      assert.equal(played, fs.readFileSync(path.join(lessonDir, lessons[0]), 'latin1').replace(/\n*$/, '\n'));
    }
    // A stage file with a carriage return on each line, as some editors write it.
    const walker = ['..............................', '...........................G..', '.......E..............=====###',
      '..S......######.....##########', '##############################', ''].join('\n');
    await first.setInputFiles('#studio-file', { name: 'walker.txt', mimeType: 'text/plain',
      buffer: Buffer.from(walker.replace(/\n/g, '\r\n'), 'latin1') });
    await first.waitForFunction(() => /walker.txt: click/.test(document.getElementById('studio-message').textContent));
    assert.equal(await first.title(), 'Shotgun-Kalvoro - walker.txt'); // the file's own name
    const [download] = await Promise.all([first.waitForEvent('download'), first.click('#studio-download')]);
    assert.equal(download.suggestedFilename(), 'map.txt');
    const saved = fs.readFileSync(await download.path(), 'latin1');
    const rows = walker.split('\n').filter((r) => r.length > 0);
    assert.equal(saved, rows.map((r) => `${r}.`).join('\n') + '\n', 'the saved text is not the stage read');
    await first.click('#studio-share');
    await first.waitForFunction(() => /clipboard/.test(document.getElementById('studio-message').textContent));
    const link = await first.inputValue('#studio-link');
    assert.match(link, /^http:\/\/127\.0\.0\.1:\d+\/index\.html#stage=1[A-Za-z0-9_-]+$/);
    assert.ok(link.length < url.length + 60, `a long link for a small stage: ${link}`);
    assert.equal(await first.evaluate(() => navigator.clipboard.readText()), link);
    await first.click('#studio-close');
    const here = await startAndSettle(first);

    const other = await openPage(link);
    try {
      assert.match(await studioMessage(other), /shared stage/);
      assert.equal(await other.evaluate(() => FS.readFile('/stage/given.txt', { encoding: 'utf8' })), saved);
      await other.click('#studio-close');
      const there = await startAndSettle(other);
      const diff = differences(there, here, null, true);
      assert.equal(diff.length, 0, `the linked stage plays differently: ${diff.slice(0, 3).join('; ')}`);
    } finally {
      await other.close();
    }
  } finally {
    await first.close();
  }
  await page.bringToFront();
});

test('a damaged or foreign stage link says so and the page plays the stage it carries', async () => {
  const base = `http://127.0.0.1:${server.address().port}/index.html`;
  for (const [fragment, why] of [['1AAAAAAAA', /damaged/], ['1AB', /cut short/], ['9xyz', /not one this game/],
    ['1%00%FF', /character/]]) {
    const other = await openPage(`${base}#stage=${fragment}`);
    try {
      const message = await studioMessage(other);
      assert.match(message, why, fragment);
      assert.match(message, /plays the stage it had/);
      assert.equal(await other.evaluate(() => FS.analyzePath('/stage/given.txt').exists), false);
    } finally {
      await other.close();
    }
  }
  await page.bringToFront();
});

// The clear screen: its green fills the corners.
const CLEAR_GREEN = 0x1d681d;
const cleared = (pixels) => (at(pixels, 2, 2) === CLEAR_GREEN && at(pixels, W - 3, H - 3) === CLEAR_GREEN) ||
  `the corner is ${at(pixels, 2, 2).toString(16)}`;

test('a shared run link plays the run to the clear, a damaged run is said, and progress stays after a reload', async () => {
  const base = `http://127.0.0.1:${server.address().port}/index.html`;
  // The first lesson's link and the solver's route carried beside it: a run like any player's.
  let link = '';
  let route = '';
  await onPage(base, async (p) => {
    await p.click('#button-studio');
    await p.selectOption('#studio-stage', { index: 1 });
    link = await p.evaluate(() => Module.ccall('WebStageLink', 'string', [], []));
    route = await p.evaluate(() => FS.readFile('/lessons/1-long-pit.par', { encoding: 'utf8' }).split('\n')[2]);
  });
  assert.match(route, /^r[A-Za-z0-9_-]+$/);
  await onPage(`${base}#stage=${link}&run=${route}`, async (p) => {
    assert.match(await studioMessage(p), /shared run/);
    await waitForCanvas("the run's clear", cleared);
  });
  for (const [run, why] of [[route.slice(0, -3), /cut short|damaged/], ['x' + route, /not a run/],
    [`r${'A'.repeat(400000)}`, /longer than/]]) {
    await onPage(`${base}#stage=${link}&run=${run}`, async (p) => {
      assert.match(await studioMessage(p), why);
      assert.match(await studioMessage(p), /stage is there to play/);
    });
  }
  // A stage cleared where it starts: the clear is kept in the browser and there after a reload.
  await onPage(base, async (p) => {
    await p.setInputFiles('#studio-file', { name: 'at-once.txt', mimeType: 'text/plain',
      buffer: Buffer.from('......\n..G...\n..S...\n######\n', 'latin1') });
    await p.waitForFunction(() => /at-once.txt: click/.test(document.getElementById('studio-message').textContent));
    await p.click('#studio-close');
    const box = await canvasBox();
    await clickAt(box.x + box.w / 2, box.y + box.h / 6);
    await waitForCanvas('the clear at the start', cleared);
    await p.waitForFunction(() => (localStorage.getItem('kalvoro-progress') || '').includes('\nrun '), null,
      { timeout: WAIT_MS });
    const shared = await p.evaluate(() => Module.ccall('WebStageLink', 'string', [], []));
    await p.goto(`${base}#stage=${shared}`);
    await p.waitForFunction(() => window.Module && Module.webStudio, null, { timeout: WAIT_MS });
    await p.waitForFunction(() => Module.ccall('WebRunText', 'string', [], []) !== '', null, { timeout: WAIT_MS });
  });
});

test('a stage link of 1.5 MB or 10 MB is refused with a message and the game lives on', async () => {
  const base = `http://127.0.0.1:${server.address().port}/index.html`;
  const long = (bytes) => `1${'A'.repeat(bytes)}`;
  const alive = (p) => p.evaluate(() => Module.ccall('WebStageText', 'string', [], []).length > 0);
  // 1.5 MB comes in the address; 10 MB is beyond an address, so it comes as a changed fragment.
  const other = await openPage(`${base}#stage=${long(1500000)}`);
  try {
    assert.match(await studioMessage(other), /too long.*plays the stage it had/);
    assert.ok(await alive(other), 'the game died on a 1.5 MB link');
    await other.evaluate((link) => { document.getElementById('studio-message').textContent = ''; location.hash = `stage=${link}`; },
      long(10000000));
    await other.waitForFunction(() => document.getElementById('studio-message').textContent !== '', null,
      { timeout: WAIT_MS });
    assert.match(await studioMessage(other), /too long.*plays the stage it had/);
    assert.ok(await alive(other), 'the game died on a 10 MB link');
  } finally {
    await other.close();
  }
  await page.bringToFront();
});

test('a save the browser cannot keep says so, offers Download and keeps the stage unsaved', async () => {
  const base = `http://127.0.0.1:${server.address().port}/index.html`;
  await onPage(`${base}#edit`, async (p) => {
    await editing(p, true);
    await waitForKept(p, 'a blank stage kept', (rows) => rows.length > 10);
    await p.evaluate(() => {
      Storage.prototype.setItem = () => { throw new DOMException('full', 'QuotaExceededError'); };
    });
    const box = await canvasBox();
    await clickAt(box.x + box.w * 100.5 / W, box.y + box.h * 100.5 / H);
    await p.keyboard.down('Control');
    await tapKey('s');
    await p.keyboard.up('Control');
    await p.waitForFunction(() => document.getElementById('studio-message').textContent !== '', null,
      { timeout: WAIT_MS });
    assert.match(await studioMessage(p), /cannot keep the stage.*Download map\.txt/);
    assert.equal(await p.evaluate(() => document.getElementById('studio').hidden), false);
    // Still unsaved: leaving the page asks.
    const asked = p.waitForEvent('dialog', { timeout: WAIT_MS });
    await p.close({ runBeforeUnload: true });
    const dialog = await asked;
    assert.equal(dialog.type(), 'beforeunload');
    await dialog.accept();
  });
});

// Every button shown lies on the page, whole.
async function expectButtonsOnPage(p, width, height, what) {
  const boxes = await p.evaluate(() => Array.from(document.querySelectorAll('#controls button, #studio button'))
    .filter((b) => b.offsetParent !== null).map((b) => { const r = b.getBoundingClientRect(); return [b.id, r.x, r.y, r.right, r.bottom]; }));
  assert.ok(boxes.length > 0, `${what}: no button shown`);
  for (const [id, x, y, right, bottom] of boxes) {
    assert.ok(x >= 0 && y >= 0 && right <= width && bottom <= height, `${what}: ${id} off the page at ${[x, y, right, bottom]}`);
  }
}

// Where the border has no room (1280 x 800, 1920 x 1200, full screen on a 16:10 screen) the buttons sit
// over the picture; MAP opens the stages, whose buttons are all on the page too.
test('at 1280 x 800, 1920 x 1200 and full screen on 16:10 every button is on the page and MAP opens the stages', async () => {
  const base = `http://127.0.0.1:${server.address().port}/index.html`;
  for (const [width, height, full] of [[1280, 800, false], [1920, 1200, false], [1440, 900, true], [1920, 1200, true]]) {
    const what = `${width} x ${height}${full ? ' full screen' : ''}`;
    const other = await openPage(base, { width, height });
    try {
      if (full) {
        await other.click('#button-fullscreen');
        await other.waitForFunction(() => !!document.fullscreenElement, null, { timeout: WAIT_MS });
        await other.waitForTimeout(250);
      }
      const map = other.locator('#button-studio');
      await map.waitFor({ state: 'visible', timeout: WAIT_MS });
      await expectButtonsOnPage(other, width, height, what);
      await map.click();
      assert.equal(await other.evaluate(() => document.getElementById('studio').hidden), false, what);
      await expectButtonsOnPage(other, width, height, `${what}, the stages open`);
      if (shotsDir && width === 1920 && !full) {
        await other.screenshot({ path: path.join(shotsDir, 'web-studio-1920x1200.png') });
      }
    } finally {
      await other.close();
    }
  }
  await page.bringToFront();
});

// The stage the page keeps while editing, as rows of text.
const keptRows = (p) => p.evaluate(() => (localStorage.getItem('kalvoro-stage') || '').split('\n'));

// The one cell that differs between two kept stages, as [col, row, now].
function changedCell(before, after) {
  const cells = [];
  for (let r = 0; r < Math.max(before.length, after.length); r++) {
    const a = before[r] || '';
    const b = after[r] || '';
    for (let c = 0; c < Math.max(a.length, b.length); c++) {
      if (a[c] !== b[c]) {
        cells.push([c, r, b[c]]);
      }
    }
  }
  assert.equal(cells.length, 1, `cells changed: ${JSON.stringify(cells)}`);
  return cells[0];
}

async function waitForKept(p, what, predicate) {
  const end = Date.now() + WAIT_MS;
  for (;;) {
    const rows = await keptRows(p);
    if (predicate(rows)) {
      return rows;
    }
    if (Date.now() > end) {
      assert.fail(`${what}: the kept stage is ${JSON.stringify(rows.slice(0, 6))}`);
    }
    await p.waitForTimeout(50);
  }
}

const cellAt = (rows, col, row) => (rows[row] || '')[col];
const editing = (p, on) => p.waitForFunction((want) => Module.webEditing === want, on, { timeout: WAIT_MS });

// Runs body on a fresh page at url, which the helpers above (clickAt, tapKey, waitForCanvas) then
// drive; the page is closed and the shared one brought back after.
async function onPage(url, body) {
  const p = await openPage(url);
  const saved = page;
  page = p;
  try {
    await body(p);
  } finally {
    page = saved;
    await p.close();
  }
  await page.bringToFront();
}

test('#edit opens the editor: the mouse paints, erases and undoes, the stage is kept, Enter plays it and Share links it', async () => {
  const base = `http://127.0.0.1:${server.address().port}/index.html`;
  await onPage(`${base}#edit`, async (p) => {
    await editing(p, true);
    const blank = await waitForKept(p, 'a blank stage kept', (rows) => rows.length > 10);
    const box = await canvasBox();
    const client = (lx, ly) => ({ x: box.x + (lx + 0.5) * box.w / W, y: box.y + (ly + 0.5) * box.h / H });
    const spot = client(100, 100);
    await clickAt(spot.x, spot.y);
    let rows = await waitForKept(p, 'a painted cell', (r) => r.join() !== blank.join());
    const [col, row, tile] = changedCell(blank, rows);
    assert.equal(tile, '#', 'the first tile of the palette is ground');
    // 3 picks the pillar; the cell to the right takes it.
    await tapKey('3');
    const right = client(116, 100);
    await clickAt(right.x, right.y);
    rows = await waitForKept(p, 'a pillar', (r) => cellAt(r, col + 1, row) === '|');
    await p.mouse.move(spot.x, spot.y);
    await p.mouse.down({ button: 'right' });
    await p.waitForTimeout(120);
    await p.mouse.up({ button: 'right' });
    rows = await waitForKept(p, 'an erased cell', (r) => cellAt(r, col, row) === '.');
    await p.keyboard.down('Control');
    await tapKey('z');
    await p.keyboard.up('Control');
    rows = await waitForKept(p, 'the erase undone', (r) => cellAt(r, col, row) === '#');
    // Enter plays the stage; Escape comes back to the editor.
    await tapKey('Enter');
    await editing(p, false);
    await waitForCanvas('the play-test', expectShells(2, 0));
    await tapKey('Escape');
    await editing(p, true);
    // The link of the stage being edited plays that very stage elsewhere.
    await p.click('#button-studio');
    await p.click('#studio-share');
    const link = await p.inputValue('#studio-link');
    const other = await openPage(link);
    try {
      const given = await other.evaluate(() => FS.readFile('/stage/given.txt', { encoding: 'utf8' }));
      assert.equal(given, rows.join('\n'));
    } finally {
      await other.close();
    }
    // Opened again, #edit goes on with the kept stage.
    await p.reload();
    await p.waitForFunction(() => window.Module && Module.webStudio, null, { timeout: WAIT_MS });
    await editing(p, true);
    assert.equal(await p.evaluate(() => Module.ccall('WebStageText', 'string', [], [])), rows.join('\n'));
  });
});

// My stages: New opens a blank one, Ctrl+Shift+S keeps it under a name typed in the picture, a reload
// edits on with it, Rename and Delete act on the list, and a name that is a path is refused.
test('my stages: New, Save As, a reload, Rename and Delete, each kept in the browser under its name', async () => {
  const base = `http://127.0.0.1:${server.address().port}/index.html`;
  const kept = (p, name) => p.evaluate((n) => localStorage.getItem(Module.webGame.keyOf(n)), name);
  const mine = (p) => p.evaluate(() => Array.from(document.querySelectorAll('#studio-mine option'), (o) => o.value));
  await onPage(base, async (p) => {
    await p.evaluate(() => ['zz-test.txt', 'zz-renamed.txt'].forEach((n) => localStorage.removeItem(Module.webGame.keyOf(n))));
    await p.click('#button-studio');
    await p.click('#studio-new');
    await editing(p, true);
    const first = await p.evaluate(() => Module.ccall('WebStageEditedName', 'string', [], []));
    assert.match(first, /^my-stage(-[0-9]+)?\.txt$/);
    await p.waitForFunction((n) => !!localStorage.getItem(Module.webGame.keyOf(n)), first, { timeout: WAIT_MS });
    // Save As: the name typed in the picture.
    await p.keyboard.down('Control');
    await p.keyboard.down('Shift');
    await tapKey('s');
    await p.keyboard.up('Shift');
    await p.keyboard.up('Control');
    // A key pressed again in the frame it was let go counts once: a pause between keys, as a hand has.
    for (const key of [...Array(first.length).fill('Backspace'), ...'zz-test.txt', 'Enter']) {
      await tapKey(key);
      await p.waitForTimeout(40);
    }
    await p.waitForFunction(() => location.hash === '#edit=zz-test.txt', null, { timeout: WAIT_MS });
    const text = await kept(p, 'zz-test.txt');
    assert.equal(text, await kept(p, first), 'the stage kept under both names');
    assert.ok((await mine(p)).includes('zz-test.txt'));
    assert.equal(await p.evaluate(() => Module.ccall('WebStageEditedName', 'string', [], [])), 'zz-test.txt');
    // A reload edits on with the named stage.
    await p.reload();
    await p.waitForFunction(() => window.Module && Module.webStudio, null, { timeout: WAIT_MS });
    await editing(p, true);
    assert.equal(await p.evaluate(() => Module.ccall('WebStageEditedName', 'string', [], [])), 'zz-test.txt');
    assert.equal(await p.evaluate(() => Module.ccall('WebStageText', 'string', [], [])), text);
    // Rename: a path is refused; a name moves the stage, and the editor goes on with it.
    await p.click('#button-studio');
    await p.selectOption('#studio-mine', 'zz-test.txt');
    p.once('dialog', (d) => d.accept('../x.txt'));
    await p.click('#studio-mine-rename');
    assert.match(await studioMessage(p), /NOT A PATH/);
    p.once('dialog', (d) => d.accept('zz-renamed.txt'));
    await p.click('#studio-mine-rename');
    assert.equal(await kept(p, 'zz-test.txt'), null);
    assert.equal(await kept(p, 'zz-renamed.txt'), text);
    assert.equal(await p.evaluate(() => Module.ccall('WebStageEditedName', 'string', [], [])), 'zz-renamed.txt');
    // Delete: refused for the stage being edited; once another is open, asked and done.
    await p.selectOption('#studio-mine', 'zz-renamed.txt');
    await p.click('#studio-mine-delete');
    assert.match(await studioMessage(p), /open in the editor/);
    await p.selectOption('#studio-mine', first);
    await p.click('#studio-mine-open');
    await p.click('#button-studio');
    await p.selectOption('#studio-mine', 'zz-renamed.txt');
    p.once('dialog', (d) => d.accept());
    await p.click('#studio-mine-delete');
    assert.equal(await kept(p, 'zz-renamed.txt'), null);
    assert.equal((await mine(p)).includes('zz-renamed.txt'), false);
  });
});

// The lesson options of the stage list, as [label, value].
const lessonOptions = (p) => p.evaluate(() => Array.from(document.querySelectorAll('#studio-stage option'))
  .filter((o) => /^Lesson /.test(o.textContent)).map((o) => [o.textContent, o.value]));

test('Edit during a play-test gives the game its stage back: a lesson chosen afterwards is what plays', async (t) => {
  const base = `http://127.0.0.1:${server.address().port}/index.html`;
  // The lesson as a fresh page plays it.
  let lesson = null;
  let value = null;
  await onPage(base, async (fresh) => {
    const lessons = await lessonOptions(fresh);
    if (lessons.length > 0) {
      value = lessons[0][1];
      await fresh.click('#button-studio');
      await fresh.selectOption('#studio-stage', value);
      await fresh.click('#studio-close');
      lesson = await startAndSettle(fresh);
    }
  });
  if (!lesson) {
    t.skip('the page carries no lessons');
    return;
  }
  await onPage(base, async (p) => {
    // Editing the shipped stage may replace one kept by an earlier test: yes.
    p.on('dialog', (d) => d.accept());
    const edit = async () => {
      await p.click('#button-studio');
      await p.click('#studio-edit');
      await editing(p, true);
    };
    await edit();
    await tapKey('Enter');
    await editing(p, false);
    await waitForCanvas('the first play-test', expectShells(2, 0));
    await edit();
    await tapKey('Enter');
    await editing(p, false);
    await waitForCanvas('the second play-test', expectShells(2, 0));
    await tapKey('Escape');
    await editing(p, true);
    await p.click('#button-studio');
    await p.selectOption('#studio-stage', value);
    await p.click('#studio-close');
    await editing(p, false);
    const played = await startAndSettle(p);
    const diff = differences(played, lesson, null, true);
    assert.equal(diff.length, 0, `not the lesson: ${diff.length} pixels differ, first ${diff.slice(0, 3).join('; ')}`);
  });
});

test('a file opened during a play-test is not swallowed: the page says so, and it opens in the editor after Escape', async () => {
  const base = `http://127.0.0.1:${server.address().port}/index.html`;
  await onPage(`${base}#edit`, async (p) => {
    await editing(p, true);
    await tapKey('Enter');
    await editing(p, false);
    await waitForCanvas('the play-test', expectShells(2, 0));
    const stage = 'S...G\n#####\n';
    await p.click('#button-studio');
    await p.setInputFiles('#studio-file', { name: 'later.txt', mimeType: 'text/plain', buffer: Buffer.from(stage) });
    await p.waitForFunction(() => /^later\.txt: /.test(document.getElementById('studio-message').textContent));
    const message = await studioMessage(p);
    assert.match(message, /opens in the editor when it ends/);
    assert.doesNotMatch(message, /click the picture/);
    const labels = await p.evaluate(() => Array.from(document.querySelectorAll('#studio-stage option'), (o) => o.textContent));
    assert.equal(labels.includes('Given stage'), false, 'the list offers the file to play');
    // Still the play-test until Escape; then the editor holds the file's stage.
    assert.equal(await p.evaluate(() => Module.webEditing), false);
    await p.click('#studio-close');
    await tapKey('Escape');
    await editing(p, true);
    await p.waitForFunction((want) => Module.ccall('WebStageText', 'string', [], []) === want, stage,
      { timeout: WAIT_MS });
  });
});

// A phone of its own browser, upright, on the page at the address ending in hash, ready for taps.
async function openPhone(hash) {
  const browser = await chromium.launch({
    executablePath: process.env.KALVORO_CHROMIUM || '/usr/bin/chromium',
    headless: true,
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--no-first-run'],
  });
  const phone = await browser.newContext({ viewport: { width: 390, height: 844 }, deviceScaleFactor: 3,
    isMobile: true, hasTouch: true });
  const p = await phone.newPage();
  p.on('pageerror', (e) => consoleErrors.push(`phone page error: ${e.message}`));
  await p.goto(`http://127.0.0.1:${server.address().port}/index.html${hash}`);
  await p.waitForFunction(() => window.Module && Module.webScreen && Module.webAudioStats && Module.webStudio, null,
    { timeout: 15000 });
  // A phone's page has the focus once it shows; a new headless browser hands it over a moment after
  // the load, and a tap that soon would be the focusing click, which never fires.
  await p.bringToFront();
  await p.waitForFunction(() => document.hasFocus(), null, { timeout: 15000 });
  await p.waitForTimeout(250);
  return { browser, phone, p };
}

test('on a phone the editor paints with a tap, erases, scrolls with two fingers, undoes and plays with its buttons', async () => {
  const { browser, phone, p } = await openPhone('#edit');
  const saved = page;
  try {
    page = p;
    await editing(p, true);
    await p.waitForFunction(() => document.getElementById('screen').getBoundingClientRect().width === 320);
    const rect = (id) => p.evaluate((i) => {
      const r = document.getElementById(i).getBoundingClientRect();
      return { x: r.left + r.width / 2, y: r.top + r.height / 2, shown: r.width > 0 };
    }, id);
    const box = await canvasBox();
    for (const id of ['button-play', 'button-solve', 'button-erase', 'button-undo', 'button-redo', 'button-studio']) {
      const b = await rect(id);
      assert.ok(b.shown && (b.y > box.y + box.h || b.x > box.x + box.w), `${id} is not beside the picture`);
    }
    // The row is laid out again when editing starts or stops: tap a button where it has settled, as a
    // person taps what they see, not where it stood a frame before.
    const tapButton = async (id) => {
      let b = await rect(id);
      for (let seen = 0; seen < 3;) {
        await p.waitForTimeout(50);
        const again = await rect(id);
        seen = again.x === b.x && again.y === b.y ? seen + 1 : 0;
        b = again;
      }
      await p.touchscreen.tap(b.x, b.y);
    };
    const at = (lx, ly) => ({ x: box.x + (lx + 0.5) * box.w / W, y: box.y + (ly + 0.5) * box.h / H });
    const blank = await waitForKept(p, 'a blank stage kept', (rows) => rows.length > 10);
    await p.touchscreen.tap(at(100, 100).x, at(100, 100).y);
    let rows = await waitForKept(p, 'a tap paints', (r) => r.join() !== blank.join());
    const [col, row, tile] = changedCell(blank, rows);
    assert.equal(tile, '#');
    await tapButton('button-erase');
    await p.touchscreen.tap(at(100, 100).x, at(100, 100).y);
    rows = await waitForKept(p, 'a tap erases', (r) => cellAt(r, col, row) === '.');
    await tapButton('button-erase');
    // Two fingers drag the view 48 pixels (three cells) to the left and paint nothing.
    const cdp = await phone.newCDPSession(p);
    const fingers = (dx) => [{ x: at(150, 100).x + dx, y: at(150, 100).y, id: 1 }, { x: at(180, 100).x + dx, y: at(180, 100).y, id: 2 }];
    await cdp.send('Input.dispatchTouchEvent', { type: 'touchStart', touchPoints: fingers(0) });
    for (let step = 1; step <= 6; step++) {
      await p.waitForTimeout(40);
      await cdp.send('Input.dispatchTouchEvent', { type: 'touchMove', touchPoints: fingers(-8 * step * box.w / W) });
    }
    await p.waitForTimeout(100);
    await cdp.send('Input.dispatchTouchEvent', { type: 'touchEnd', touchPoints: [] });
    await p.waitForTimeout(300);
    assert.deepEqual(await keptRows(p), rows, 'two fingers painted');
    // A second finger landing after the first has painted takes that paint back.
    await cdp.send('Input.dispatchTouchEvent', { type: 'touchStart', touchPoints: [fingers(0)[0]] });
    await waitForKept(p, 'the first finger paints', (r) => r.join() !== rows.join());
    await p.waitForTimeout(100);
    await cdp.send('Input.dispatchTouchEvent', { type: 'touchStart', touchPoints: fingers(0) });
    await p.waitForTimeout(100);
    await cdp.send('Input.dispatchTouchEvent', { type: 'touchEnd', touchPoints: [] });
    await waitForKept(p, 'a late second finger takes the paint back', (r) => r.join() === rows.join());
    await p.touchscreen.tap(at(100, 100).x, at(100, 100).y);
    const before = rows;
    rows = await waitForKept(p, 'a tap after the drag', (r) => r.join() !== before.join());
    assert.deepEqual(changedCell(before, rows), [col + 3, row, '#'], 'the view did not move three cells');
    await tapButton('button-undo');
    rows = await waitForKept(p, 'the undo button', (r) => cellAt(r, col + 3, row) === '.');
    await tapButton('button-play');
    await editing(p, false);
    await waitForCanvas('the play-test', expectShells(2, 0));
    await tapButton('button-escape');
    await editing(p, true);
    // SOLVE runs the game's solver on the stage; once it has the route, ROUTE takes its place and
    // plays the route back.
    await tapButton('button-solve');
    await p.waitForFunction(() => !document.getElementById('button-route').hidden, null, { timeout: 30000 });
    assert.equal(await p.evaluate(() => document.getElementById('button-solve').hidden), true);
    await tapButton('button-route');
    const end = Date.now() + 30000;
    while ((await p.evaluate(() => Module.webEditing)) && Date.now() < end) {
      await p.waitForTimeout(200);
    }
    assert.equal(await p.evaluate(() => Module.webEditing), false, 'no route to play after SOLVE');
    await tapButton('button-escape');
    await editing(p, true);
  } finally {
    page = saved;
    await browser.close();
  }
});

// A phone, held upright and then sideways: touches through pointer events, the page's own buttons.
test('on a phone a tap starts and fires, the reload button refills, a double tap does not zoom', async () => {
  const { browser, p } = await openPhone('');
  try {
    const saved = page;
    page = p;
    try {
      const layout = () => p.evaluate(() => {
        const rect = (id) => {
          const r = document.getElementById(id).getBoundingClientRect();
          return { x: r.left, y: r.top, w: r.width, h: r.height, shown: r.width > 0 };
        };
        return { canvas: rect('screen'), reload: rect('button-reload'), escape: rect('button-escape'),
          full: rect('button-fullscreen'), vw: innerWidth, vh: innerHeight,
          scroll: document.scrollingElement.scrollHeight };
      });
      const outside = (b, c) => b.x >= c.x + c.w || b.x + b.w <= c.x || b.y >= c.y + c.h || b.y + b.h <= c.y;
      const centre = (b) => ({ x: b.x + b.w / 2, y: b.y + b.h / 2 });
      await p.waitForFunction(() => document.getElementById('screen').getBoundingClientRect().width === 320);
      let l = await layout();
      // 1170 x 2532 screen pixels: scale 3, the whole width used as far as whole numbers go.
      assert.deepEqual(l.canvas, { x: 35, y: 322, w: 320, h: 200, shown: true });
      for (const b of [l.reload, l.escape, l.full]) {
        assert.ok(b.shown && outside(b, l.canvas) && b.y + b.h <= l.vh, `a button over the picture: ${JSON.stringify(b)}`);
      }
      assert.ok(l.scroll <= l.vh, 'the page scrolls');
      const tapPicture = (lx, ly) => p.touchscreen.tap(l.canvas.x + (lx + 0.5) * l.canvas.w / W, l.canvas.y + (ly + 0.5) * l.canvas.h / H);
      await tapPicture(160, 100);
      await waitForCanvas('stage start by a tap', expectShells(2, 0));
      await p.waitForTimeout(1000);
      await tapPicture(160, 5); // up: a shot that pushes nothing
      await waitForCanvas('a tap fires', expectShells(1, 1));
      await p.touchscreen.tap(centre(l.reload).x, centre(l.reload).y);
      await waitForCanvas('the reload button refills', expectShells(2, 0));
      await tapPicture(160, 5);
      await p.waitForTimeout(60);
      await tapPicture(160, 5);
      await waitForCanvas('two quick taps fire twice', expectShells(0, 2));
      const zoom = await p.evaluate(() => [window.visualViewport.scale, window.scrollX, window.scrollY]);
      assert.deepEqual(zoom, [1, 0, 0], 'a double tap zoomed or scrolled the page');
      if (shotsDir) {
        fs.mkdirSync(shotsDir, { recursive: true });
        await p.screenshot({ path: path.join(shotsDir, 'web-phone.png'), scale: 'css' });
      }
      // Sideways: the buttons move beside the picture, the picture keeps a whole scale.
      await p.setViewportSize({ width: 844, height: 390 });
      await p.waitForFunction(() => document.getElementById('screen').getBoundingClientRect().width !== 320);
      l = await layout();
      assert.equal(Math.round(l.canvas.w * 3), W * 5);
      for (const b of [l.reload, l.escape, l.full]) {
        assert.ok(b.shown && outside(b, l.canvas) && b.x + b.w <= l.vw, `a button over the picture: ${JSON.stringify(b)}`);
      }
      await p.touchscreen.tap(centre(l.escape).x, centre(l.escape).y);
      await waitForCanvas('title after the Escape button', expectTitle);
    } finally {
      page = saved;
    }
  } finally {
    await browser.close();
  }
});

// A lesson chosen on a phone plays in its set: the title offers the solver's route, and its button
// watches the route to the clear.
test('on a phone a lesson plays in its set, and the route button watches the solver\'s route to the clear', async () => {
  const { browser, p } = await openPhone('');
  const saved = page;
  page = p;
  try {
    await p.tap('#button-studio');
    await p.selectOption('#studio-stage', { index: 1 });
    await p.waitForFunction(() => /Click the picture to play Lesson 1/.test(document.getElementById('studio-message').textContent),
      null, { timeout: WAIT_MS });
    await p.tap('#studio-close');
    await p.waitForSelector('#button-watch-route', { state: 'visible', timeout: WAIT_MS });
    assert.equal(await p.isVisible('#button-watch'), false, 'a best run offered before any was played');
    await p.tap('#button-watch-route');
    await waitForCanvas("the route's clear", cleared);
    // Back on the title, the next stage of the set chosen: the page's list follows it.
    await p.keyboard.press('Escape');
    await p.waitForTimeout(100);
    await p.keyboard.press('ArrowRight');
    await p.waitForFunction(() => /^Lesson 2:/.test(document.getElementById('studio-stage').selectedOptions[0].textContent),
      null, { timeout: WAIT_MS });
  } finally {
    page = saved;
    await browser.close();
  }
});

// Installing: what Chromium reads before it offers "Install" or "Add to home screen".
test('the page is installable: a valid manifest, its icons, and a service worker that caches every file', async () => {
  const cdp = await context.newCDPSession(page);
  const manifest = await cdp.send('Page.getAppManifest');
  assert.ok(manifest.url.endsWith('/manifest.webmanifest'), `manifest at ${manifest.url}`);
  assert.deepEqual(manifest.errors, []);
  const data = JSON.parse(manifest.data);
  assert.equal(data.name, 'Shotgun-Kalvoro');
  assert.ok(['fullscreen', 'standalone'].includes(data.display));
  assert.equal(data.orientation, 'landscape');
  const sizes = data.icons.map((icon) => icon.sizes);
  assert.ok(sizes.includes('192x192') && sizes.includes('512x512'), `icons ${sizes}`);
  for (const icon of data.icons) {
    const file = path.join(servedDir, icon.src);
    const png = fs.readFileSync(file);
    const [w, h] = [png.readUInt32BE(16), png.readUInt32BE(20)];
    assert.equal(`${w}x${h}`, icon.sizes, `${icon.src} is ${w} x ${h}`);
  }
  const worker = await page.evaluate(() => navigator.serviceWorker.ready.then((r) => r.active.scriptURL));
  assert.ok(worker.endsWith('/sw.js'));
  // Installed with every file of the build, once the first visit is over.
  const cached = await page.evaluate(async () => {
    const names = await caches.keys();
    const cache = await caches.open(names[0]);
    return { names, urls: (await cache.keys()).map((r) => new URL(r.url).pathname) };
  });
  assert.equal(cached.names.length, 1);
  for (const file of ['/', '/index.html', '/index.js', '/index.wasm', '/manifest.webmanifest', '/shotgun-kalvoro-192.png']) {
    assert.ok(cached.urls.includes(file), `${file} is not cached: ${cached.urls}`);
  }
  const { installabilityErrors } = await cdp.send('Page.getInstallabilityErrors');
  assert.deepEqual(installabilityErrors, []);
  await cdp.detach();
});

async function reloadPage() {
  await page.reload();
  await page.waitForFunction(() => window.Module && Module.webScreen && Module.webAudioStats, null, { timeout: 15000 });
}

test('with the network gone, a reload brings the game back, and it starts and fires', async () => {
  await context.setOffline(true);
  try {
    assert.equal(await page.evaluate(() => navigator.onLine), false);
    await reloadPage();
    assert.ok(await page.evaluate(() => navigator.serviceWorker.controller !== null), 'no worker serves the page');
    await waitForCanvas('title offline', (pixels) => {
      const diff = differences(pixels, reference.title.pixels, PROMPT_ROWS);
      return diff.length === 0 || `${diff.length} pixels differ`;
    });
    // The reloaded page gets the focus back a moment after it shows; a click that soon is the
    // focusing click, which never fires.
    await page.bringToFront();
    await page.waitForFunction(() => document.hasFocus(), null, { timeout: 15000 });
    await page.waitForTimeout(250);
    await clickAt(CLICK.x, CLICK.y);
    await waitForCanvas('stage start offline', expectShells(2, 0));
    await page.waitForTimeout(500);
    await clickAt(480, 5); // straight up: spends a shell, pushes nothing
    await waitForCanvas('a shot offline', expectShells(1, 1));
  } finally {
    await context.setOffline(false);
  }
});

test('a new build replaces the old one: new worker, new cache, the old cache gone, the new page served', async () => {
  const before = await page.evaluate(() => caches.keys());
  const html = path.join(servedDir, 'index.html');
  fs.writeFileSync(html, fs.readFileSync(html, 'utf8').replace('<title>', '<meta name="build" content="new">\n<title>'));
  const sw = path.join(servedDir, 'sw.js');
  fs.writeFileSync(sw, fs.readFileSync(sw, 'utf8').replace(/shotgun-kalvoro-[0-9a-f]+'/, "shotgun-kalvoro-0000000000000000'"));
  // The browser looks for a new worker a little after each load; asked at once here, as it would.
  await reloadPage();
  await page.evaluate(() => navigator.serviceWorker.getRegistration().then((r) => r.update()));
  const end = Date.now() + WAIT_MS;
  let names;
  while ((names = await page.evaluate(() => caches.keys())).join() !== 'shotgun-kalvoro-0000000000000000') {
    assert.ok(Date.now() < end, `the caches are still ${names}`);
    await page.waitForTimeout(50);
  }
  await reloadPage();
  assert.equal(await page.evaluate(() => document.querySelector('meta[name=build]')?.content), 'new');
  assert.notDeepEqual(before, ['shotgun-kalvoro-0000000000000000']);
});

test('no errors in the console, no failed requests', () => {
  assert.deepEqual(consoleErrors, []);
});
