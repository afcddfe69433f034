'use strict';
// Builds the map page as `vtweb --html` will write it (the page's files with
// the landmarks of lmedit's JSON export in place of the placeholders), opens
// it from a file in the system's Chromium, and makes landmark files to show.
const { execFileSync } = require('node:child_process');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');

const pageFolder = path.join(__dirname, '..', '..', 'vtweb', 'page');
const chromium = process.env.VTWEB_CHROMIUM || '/usr/bin/chromium';

// The page with the export embedded, or with nothing there as served.
function pageHtml(exportJson) {
  const read = (name) => fs.readFileSync(path.join(pageFolder, name), 'utf8');
  const data = exportJson === null ? ''
    : '<script type="application/json" id="vtweb-data">' + exportJson.replace(/</g, '\\u003c') +
      '</script>';
  // Functions as replacements, so that no `$` in the texts is read as a pattern.
  return read('map.html')
    .replace('/*VTWEB-CSS*/', () => read('map.css'))
    .replace('/*VTWEB-JS*/', () => read('map.js'))
    .replace('<!--VTWEB-DATA-->', () => data);
}

// A landmark file of `records`: {type, side, north, east, name}, the rest zero.
function writeLandmarkFile(file, records) {
  const buffer = Buffer.alloc(100 + 63 * records.length);
  buffer.write('04/11/17', 0, 'latin1');
  buffer.write('10:42am', 11, 'latin1');
  buffer.writeUInt16LE(records.length, 20);
  buffer.writeUInt16LE(63, 22);
  records.forEach((r, i) => {
    const at = 100 + 63 * i;
    buffer.writeUInt16LE((i + 1) % 65536, at);
    buffer.writeUInt8(r.type, at + 4);
    buffer.writeUInt8(r.side, at + 6);
    buffer.writeFloatLE(r.north, at + 7);
    buffer.writeFloatLE(r.east, at + 11);
    buffer.write(r.name, at + 23, 39, 'latin1');
  });
  fs.writeFileSync(file, buffer);
}

// 65535 landmarks spread over a 200000-unit square, every type and side.
function manyLandmarks() {
  let seed = 1918;
  const random = () => {  // xorshift, in 32-bit integers
    seed ^= seed << 13;
    seed ^= seed >>> 17;
    seed ^= seed << 5;
    return (seed >>> 0) / 4294967296;
  };
  const records = [];
  for (let i = 1; i <= 65535; i++) {
    records.push({ type: i % 11, side: i % 3, north: random() * 200000,
      east: random() * 200000, name: i % 10 ? 'Landmark ' + i : '' });
  }
  return records;
}

// A data file of 65535 records of 46 bytes (the sample planes1.dat's
// header and records in turn), numbered in their names, with ceilings
// (bytes 26 to 29) that sorting reorders.
function manyRecords() {
  const file = path.join(scratch, 'many.dat');
  const old = fs.readFileSync(path.join(__dirname, '..', '..', 'samples', 'planes1.dat'));
  const buffer = Buffer.alloc(100 + 46 * 65535);
  old.copy(buffer, 0, 0, 100);
  buffer.writeUInt16LE(65535, 20);
  for (let n = 0; n < 65535; n++) {
    const at = 100 + 46 * n;
    old.copy(buffer, at, 100 + 46 * (n % 12), 146 + 46 * (n % 12));
    buffer.fill(0, at, at + 16);
    buffer.write('Plane ' + n, at, 'latin1');
    buffer.writeInt32LE(n * 7 % 10007, at + 26);  // Ceiling
  }
  fs.writeFileSync(file, buffer);
  return file;
}

function exportJson(mrfFile) {
  const lmedit = process.env.VTWEB_LMEDIT;
  if (!lmedit) throw new Error('VTWEB_LMEDIT names no lmedit to export with');
  // Named as a player names it, from its folder.
  return execFileSync(path.resolve(lmedit), ['--export=json', path.basename(mrfFile)], { encoding: 'utf8',
    cwd: path.dirname(mrfFile), maxBuffer: 1 << 28 });
}

const scratch = fs.mkdtempSync(path.join(os.tmpdir(), 'vtweb-map-'));
process.on('exit', () => fs.rmSync(scratch, { recursive: true, force: true }));

// The page file for a landmark file given as records or as an .mrf name.
function pageFor(name, landmarks) {
  let mrf = landmarks;
  if (Array.isArray(landmarks)) {
    mrf = path.join(scratch, name + '.mrf');
    writeLandmarkFile(mrf, landmarks);
  }
  const html = path.join(scratch, name + '.html');
  fs.writeFileSync(html, pageHtml(exportJson(mrf)));
  return 'file://' + html;
}

// A stand-in for the server on a free loopback port: the page, and the
// landmarks and version of whatever export `serve.json` holds now.
function serve(exportJson) {
  const http = require('node:http');
  const served = { json: exportJson, version: 1, paths: [] };
  const server = http.createServer((request, response) => {
    served.paths.push(request.method + ' ' + request.url);
    const answers = {
      '/': ['text/html', () => pageHtml(null)],
      '/api/landmarks': ['application/json', () => served.json],
      '/api/version': ['application/json', () => JSON.stringify({ version: String(served.version) })],
      '/api/columns': ['application/json', () => JSON.stringify({ first_record: 1, choices: {} })],
    };
    const answer = answers[request.url];
    response.writeHead(answer ? 200 : 404, { 'Content-Type': answer ? answer[0] : 'text/plain',
      'Content-Security-Policy': "default-src 'none'; script-src 'self' 'unsafe-inline'; " +
        "style-src 'unsafe-inline'; img-src data:; connect-src 'self'" });
    response.end(answer ? answer[1]() : 'no such page');
  });
  return new Promise((resolve) => server.listen(0, '127.0.0.1', () => {
    served.url = 'http://127.0.0.1:' + server.address().port + '/';
    served.close = () => new Promise((done) => { server.closeAllConnections(); server.close(done); });
    resolve(served);
  }));
}

// The real vtweb on a copy of a landmark file, on a free port, with `env`
// added to its environment; resolves once it has printed its address.
async function startVtweb(mrfFile, env = {}) {
  const server = await require('./vtweb_server.js').startVtweb([path.basename(mrfFile)],
    path.dirname(mrfFile), env);
  return { url: server.address, close: server.stop };
}

// lmedit in stream mode on TEMPLATE and OUTPUT (named from its folder),
// given `keys`: resolves with what it wrote and when it ended.
function runLmedit(template, output, keys) {
  const { execFile } = require('node:child_process');
  return new Promise((resolve, reject) => {
    const child = execFile(path.resolve(process.env.VTWEB_LMEDIT), [path.resolve(template), path.basename(output)],
      { cwd: path.dirname(output), encoding: 'latin1' }, (error, stdout) => {
        if (error) reject(new Error('lmedit: ' + error.message + stdout));
        else resolve({ stdout, endedAt: Date.now() });
      });
    child.stdin.end(keys, 'latin1');
  });
}

async function launch() {
  const { chromium: driver } = require('playwright-core');
  return driver.launch({ executablePath: chromium, args: ['--no-sandbox'] });
}

// A page that keeps what leaves it: requests and console errors.
async function openPage(browser, url, viewport = { width: 1200, height: 800 }) {
  const page = await browser.newPage({ viewport });
  const seen = { requests: [], errors: [] };
  page.on('request', (request) => seen.requests.push(request.url()));
  page.on('console', (message) => {
    if (message.type() === 'error') seen.errors.push(message.text());
  });
  page.on('pageerror', (error) => seen.errors.push(String(error)));
  await page.goto(url);
  await page.waitForFunction(() => Number(document.getElementById('map').dataset.frames) > 0);
  return { page, seen };
}

module.exports = { pageFor, manyLandmarks, manyRecords, launch, openPage, serve, exportJson, scratch,
  startVtweb, runLmedit };
