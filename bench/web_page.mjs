// web_page.mjs -- the page's weight and how soon it shows: serves the built page gzip-compressed, as a
// web server would, and loads it in headless Chromium LOADS times in a fresh profile (a first visit)
// and as many times again with the service worker's cache (a return visit). Prints the page's size,
// the bytes sent and the median time from the start of the navigation to the first picture on the canvas.
//   node web_page.mjs PAGE_DIR [LOADS]
import fs from 'node:fs';
import http from 'node:http';
import os from 'node:os';
import path from 'node:path';
import zlib from 'node:zlib';
import { fileURLToPath } from 'node:url';

const HERE = path.dirname(fileURLToPath(import.meta.url));
const pageDir = path.resolve(process.argv[2] || path.join(HERE, '../build-web'));
const loads = Number(process.argv[3] || 5);
const playwrightEntry = path.join(HERE, '../tests/web/node_modules/playwright-core/index.mjs');
for (const file of [path.join(pageDir, 'index.html'), playwrightEntry]) {
  if (!fs.existsSync(file)) {
    console.log(`web page: not measured, ${file} is missing (make web, make web-test-deps)`);
    process.exit(0);
  }
}
const { chromium } = await import(playwrightEntry);

const types = { '.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm',
  '.webmanifest': 'application/manifest+json', '.png': 'image/png' };
let sent = 0;
const server = http.createServer((req, res) => {
  const name = new URL(req.url, 'http://127.0.0.1').pathname;
  const file = path.join(pageDir, path.normalize(name === '/' ? '/index.html' : name));
  if (!file.startsWith(pageDir + path.sep) || !fs.existsSync(file)) {
    res.writeHead(404).end();
    return;
  }
  let body = fs.readFileSync(file);
  const headers = { 'Content-Type': types[path.extname(file)] || 'application/octet-stream' };
  // PNG is compressed already; everything else goes out as gzip when the browser takes it.
  if (path.extname(file) !== '.png' && /\bgzip\b/.test(req.headers['accept-encoding'] || '')) {
    body = zlib.gzipSync(body, { level: 9 });
    headers['Content-Encoding'] = 'gzip';
  }
  sent += body.length;
  res.writeHead(200, headers).end(body);
});
await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
const url = `http://127.0.0.1:${server.address().port}/`;

// Milliseconds from the start of the navigation to the first animation frame with anything drawn.
async function firstPicture(page) {
  await page.goto(url);
  return page.evaluate(() => new Promise((resolve) => {
    const canvas = document.getElementById('screen');
    const look = () => {
      const pixels = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
      for (let i = 0; i < pixels.length; i += 4) {
        if (pixels[i] || pixels[i + 1] || pixels[i + 2]) {
          resolve(performance.now());
          return;
        }
      }
      requestAnimationFrame(look);
    };
    look();
  }));
}

const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];
const first = [];
const again = [];
let firstBytes = 0;
let againBytes = 0;
for (let i = 0; i < loads; i++) {
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'kalvoro-bench-web-'));
  const context = await chromium.launchPersistentContext(profile, {
    executablePath: process.env.KALVORO_CHROMIUM || '/usr/bin/chromium',
    headless: true,
    viewport: { width: 960, height: 600 },
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-background-networking',
      '--disable-component-update', '--disable-sync'],
  });
  try {
    const page = context.pages()[0] || (await context.newPage());
    sent = 0;
    first.push(await firstPicture(page));
    // The worker fetches every file once more as it installs: part of a first visit's cost.
    await page.evaluate(() => navigator.serviceWorker.ready);
    await page.waitForTimeout(500);
    firstBytes = sent;
    sent = 0;
    again.push(await firstPicture(page));
    againBytes = sent;
  } finally {
    await context.close();
    fs.rmSync(profile, { recursive: true, force: true });
  }
}
server.close();
const files = fs.readdirSync(pageDir).filter((f) => types[path.extname(f)] || f === 'sw.js');
const size = (f) => fs.statSync(path.join(pageDir, f)).size;
const gzipped = (f) => (path.extname(f) === '.png' ? size(f) : zlib.gzipSync(fs.readFileSync(path.join(pageDir, f)), { level: 9 }).length);
const raw = files.reduce((sum, f) => sum + size(f), 0);
const once = files.reduce((sum, f) => sum + gzipped(f), 0);
console.log(`web page: ${files.length} files, ${raw} bytes on disk, ${once} bytes sent once with gzip`);
console.log(`web page: first visit sends ${firstBytes} bytes (with the service worker's own copy), ` +
  `first picture after ${median(first).toFixed(0)} ms (median of ${loads})`);
console.log(`web page: return visit sends ${againBytes} bytes, first picture after ${median(again).toFixed(0)} ms`);
