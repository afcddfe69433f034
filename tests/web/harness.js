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

function pageHtml(exportJson) {
  const read = (name) => fs.readFileSync(path.join(pageFolder, name), 'utf8');
  const data = '<script type="application/json" id="vtweb-data">' +
    exportJson.replace(/</g, '\\u003c') + '</script>';
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
  const random = () => (seed = (seed * 1103515245 + 12345) % 2147483648) / 2147483648;
  const records = [];
  for (let i = 1; i <= 65535; i++) {
    records.push({ type: i % 11, side: i % 3, north: random() * 200000,
      east: random() * 200000, name: i % 10 ? 'Landmark ' + i : '' });
  }
  return records;
}

function exportJson(mrfFile) {
  const lmedit = process.env.VTWEB_LMEDIT;
  if (!lmedit) throw new Error('VTWEB_LMEDIT names no lmedit to export with');
  return execFileSync(lmedit, ['--export=json', mrfFile], { encoding: 'utf8',
    maxBuffer: 1 << 28 });
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

module.exports = { pageFor, manyLandmarks, launch, openPage, scratch };
