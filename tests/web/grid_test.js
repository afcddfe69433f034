'use strict';
// The record grid page in Chromium, served by the real vtweb on copies of a
// data file. What a save writes is compared with what `datedit --import`
// stores for the same values (which is what the field editor E stores).
const { test, before, after } = require('node:test');
const assert = require('node:assert/strict');
const { execFileSync } = require('node:child_process');
const fs = require('node:fs');
const path = require('node:path');
const { launch, scratch, manyRecords } = require('./harness.js');
const { startVtweb } = require('./vtweb_server.js');

const samples = path.join(__dirname, '..', '..', 'samples');
const datedit = process.env.VTWEB_DATEDIT;

// Every field type: t P O C b s w i l 4 8 u x L, 45 of the 46 bytes, so that
// one byte is left for `rest`.
const FORMAT = ['tName', '16', 'PAircraft', 'OObject', 'CClass', 'bCrew', 'sTrim', 'wTop speed',
  'iClimb', 'lCeiling', '4Wing area', '8Weight', 'uFlags', 'x', '1', 'LLandmark type', ''].join('\n');
const format = path.join(scratch, 'every-type.txt');
fs.writeFileSync(format, FORMAT);

let browser;
before(async () => { browser = await launch(); });
after(async () => { await browser.close(); });

let copies = 0;
function copyOf(file) {
  const copy = path.join(scratch, 'grid-' + (++copies) + '-' + path.basename(file));
  fs.copyFileSync(file, copy);
  return copy;
}

function exported(data) {
  return JSON.parse(execFileSync(datedit, ['--export=json', data, format], { encoding: 'utf8', maxBuffer: 1 << 28,
    stdio: ['ignore', 'pipe', 'pipe'] }));
}

// datedit --import of `changes` ({record: {column: value}}) into `data`.
function importInto(data, changes) {
  const form = exported(data);
  for (const [record, cells] of Object.entries(changes)) Object.assign(form.records[record], cells);
  const input = path.join(scratch, 'import-' + (++copies) + '.json');
  fs.writeFileSync(input, JSON.stringify(form));
  execFileSync(datedit, ['--import', data, format, input], { stdio: ['ignore', 'pipe', 'pipe'] });
}

// vtweb on `data`, the page opened at the address it prints and given to
// `body`; no script error may happen on it (refusals the tests ask for are
// logged as failed loads, which are not errors of the page).
async function onGrid(data, body) {
  const server = await startVtweb([data, format]);
  const page = await browser.newPage({ viewport: { width: 1200, height: 700 } });
  const errors = [];
  page.on('pageerror', (error) => errors.push(String(error)));
  page.on('console', (message) => {
    if (message.type() === 'error' && !/^Failed to load resource/.test(message.text())) errors.push(message.text());
  });
  try {
    await page.goto(server.address);
    await page.waitForSelector('#grid-body .row');
    await body(page);
  } finally {
    await page.close();
    await server.stop();
  }
}

const cell = (page, record, column) =>
  page.locator(`#grid-body .row[data-record="${record}"] > span[data-column="${column}"]`);
const shownRecords = (page) => page.$$eval('#grid-body .row', (rows) => rows
  .sort((a, b) => parseFloat(a.style.top) - parseFloat(b.style.top)).map((row) => Number(row.dataset.record)));

// Edits a cell as a user does: a double-click, then the choice or the text
// and Enter; waits for the server's check.
async function editCell(page, record, column, text) {
  const target = cell(page, record, column);
  await target.dblclick();
  const choice = target.locator('select');
  if (await choice.count()) {
    await choice.selectOption(text);
  } else {
    await target.locator('input').fill(text);
    await target.locator('input').press('Enter');
  }
  await page.waitForFunction(() => !document.querySelector('#grid-body .checking'));
}

// The hex view's bytes [hex, column, edited] once it shows record `record`
// as read from the file.
async function hexShown(page, record) {
  await page.waitForFunction((r) => {
    const panel = document.getElementById('hex');
    return !panel.classList.contains('reading') &&
      panel.querySelector('.hex-title')?.textContent.startsWith('Record ' + r + ':');
  }, record);
  return page.$$eval('#hex .hex-byte', (bytes) => bytes.map((b) =>
    [b.textContent, b.dataset.column, b.classList.contains('edited')]));
}

async function saveAndWait(page) {
  await page.keyboard.press('Control+s');
  await page.waitForFunction(() => /^Saved/.test(document.getElementById('notice').textContent));
}

test('one cell of each type, edited and saved, holds what datedit stores for the value', async () => {
  const data = copyOf(path.join(samples, 'planes1.dat'));
  const expected = copyOf(data);
  // column, typed in the page, the same value for datedit's import
  const edits = [
    ['Name', 'Pup "trainé" ☺', 'Pup "trainé" ☺'],
    ['Aircraft', '10', 10],
    ['Object', '780', 780],
    ['Class', '4', 4],
    ['Crew', '$FF', 255],
    ['Trim', '-5', -5],
    ['Top speed', '180', 180],
    ['Climb', '-12', -12],
    ['Ceiling', '$1000', 4096],
    ['Wing area', '1e1', 10],
    ['Weight', '360.5', 360.5],
    ['Flags', '$a5', 165],
    ['field_13', '0a', '0x0A'],
    ['Landmark type', '5', 5],
    ['rest', '7f', '0x7F'],
  ];
  await onGrid(data, async (page) => {
    for (const [column, typed] of edits) await editCell(page, 3, column, typed);
    assert.equal(await page.locator('#grid-body .pending').count(), edits.length);
    await cell(page, 3, 'Object').click();
    const unsaved = await hexShown(page, 3);
    await saveAndWait(page);
    importInto(expected, { 3: Object.fromEntries(edits.map(([column, , value]) => [column, value])) });
    assert.deepEqual(fs.readFileSync(data), fs.readFileSync(expected));
    assert.notDeepEqual(fs.readFileSync(data), fs.readFileSync(path.join(samples, 'planes1.dat')));
    // The page shows the cells as the export writes them.
    const record = exported(expected).records[3];
    await page.waitForFunction(() => document.querySelectorAll('#grid-body .pending').length === 0);
    for (const [column] of edits) assert.equal(await cell(page, 3, column).textContent(), String(record[column]));
    // The hex view shows the record's bytes, each owned by its field.
    await cell(page, 3, 'Object').click();
    const shown = await hexShown(page, 3);
    const bytes = fs.readFileSync(data).subarray(100 + 46 * 3, 146 + 46 * 3);
    assert.equal(shown.map(([text]) => text).join(''), bytes.toString('hex').toUpperCase());
    assert.deepEqual(shown.slice(16, 20).map(([, column]) => column), ['Aircraft', 'Object', 'Object', 'Class']);
    assert.equal(shown[45][1], 'rest');
    // Before the save, the edits drawn over the file's bytes were the bytes it wrote.
    assert.deepEqual(unsaved.map(([text]) => text), shown.map(([text]) => text));
    assert.ok(unsaved.every(([, , edited]) => edited));  // every field was edited
  });
});

test('the hex view shows the file\'s bytes, also after a text\'s zero, with unsaved edits over them', async () => {
  const data = copyOf(path.join(samples, 'planes1.dat'));
  const at = 100 + 46 * 2;  // record 2; its Name, 16 bytes, comes first
  const file = fs.readFileSync(data);
  const zero = file.indexOf(0, at);
  assert.ok(zero < at + 12);
  file.fill(0xA5, zero + 1, at + 16);
  fs.writeFileSync(data, file);
  const hexOf = (bytes) => [...bytes].map((b) => b.toString(16).toUpperCase().padStart(2, '0'));
  await onGrid(data, async (page) => {
    await cell(page, 2, 'Name').click();
    assert.deepEqual((await hexShown(page, 2)).map(([hex]) => hex), hexOf(file.subarray(at, at + 46)));
    // An unsaved edit shows over the file's bytes, marked; so does a change
    // by another program to bytes that no cell shows.
    await editCell(page, 2, 'Crew', '7');
    await cell(page, 2, 'Crew').click();  // Enter went down a row
    const descriptor = fs.openSync(data, 'r+');
    fs.writeSync(descriptor, Buffer.from([0x5A]), 0, 1, at + 15);
    fs.closeSync(descriptor);
    const expected = hexOf(fs.readFileSync(data).subarray(at, at + 46));
    await page.waitForFunction((hex) => [...document.querySelectorAll('#hex .hex-byte')]
      .map((b) => b.textContent).join(' ') === hex, expected.map((hex, k) => k === 20 ? '07' : hex).join(' '),
    { timeout: 1500 });
    const shown = await hexShown(page, 2);
    assert.deepEqual(shown.filter(([, , edited]) => edited).map(([, column]) => column), ['Crew']);
    await saveAndWait(page);
    await page.waitForFunction(() => !document.querySelector('#hex .edited'));
    assert.deepEqual((await hexShown(page, 2)).map(([hex]) => hex), hexOf(fs.readFileSync(data).subarray(at, at + 46)));
  });
});

test('an invalid cell is marked with its reason and never saved', async () => {
  const data = copyOf(path.join(samples, 'planes1.dat'));
  const bytes = fs.readFileSync(data);
  await onGrid(data, async (page) => {
    for (const [column, typed] of [['Crew', '300'], ['Wing area', 'fast'], ['Flags', '$100']]) {
      await editCell(page, 1, column, typed);
      assert.match(await cell(page, 1, column).getAttribute('class'), /\binvalid\b/);
      await cell(page, 1, column).click();
      assert.match(await page.textContent('#note'), /Not valid, not saved: \S/);
    }
    assert.ok(await page.locator('#save').isDisabled());
    await page.keyboard.press('Control+s');
    await page.waitForFunction(() => /^Nothing to save/.test(document.getElementById('notice').textContent));
    assert.deepEqual(fs.readFileSync(data), bytes);
  });
});

test('keys: arrows move between cells, typing edits, a name field takes the number typed', async () => {
  await onGrid(copyOf(path.join(samples, 'planes1.dat')), async (page) => {
    await cell(page, 2, 'Name').click();
    for (const key of ['ArrowRight', 'ArrowDown', '1', '2', 'Enter', 'Backspace', '5', 'Tab']) await page.keyboard.press(key);
    await page.waitForFunction(() => !document.querySelector('#grid-body .checking'));
    assert.deepEqual(await page.$$eval('#grid-body .pending', (cells) => cells.map((c) =>
      [c.parentElement.dataset.record, c.dataset.column, c.textContent])), [['3', 'Aircraft', '12'], ['4', 'Aircraft', '5']]);
    assert.match(await cell(page, 4, 'Aircraft_name').getAttribute('class'), /\bcurrent\b/);
  });
});

test('insert copies the selected record before it, and edits of the records after it follow them', async () => {
  const data = copyOf(path.join(samples, 'planes1.dat'));
  const old = fs.readFileSync(data);
  await onGrid(data, async (page) => {
    await editCell(page, 5, 'Crew', '7');
    await cell(page, 3, 'Name').click();
    await page.click('#insert');
    await page.waitForFunction(() => /^13 records/.test(document.getElementById('status').textContent));
    assert.equal(await cell(page, 4, 'Name').textContent(), 'Pup practice');
    assert.equal(await cell(page, 6, 'Crew').textContent(), '7');
    const record = (n) => old.subarray(100 + 46 * n, 146 + 46 * n);
    const header = Buffer.from(old.subarray(0, 100));
    header.writeUInt16LE(13, 20);
    assert.deepEqual(fs.readFileSync(data), Buffer.concat([header, old.subarray(100, 100 + 46 * 4), record(3),
      old.subarray(100 + 46 * 4)]));
    await saveAndWait(page);
    assert.deepEqual(exported(data).records.map((r) => r.Crew), [1, 2, 1, 2, 2, 1, 7, 1, 2, 1, 2, 1, 2]);
  });
});

test('another program\'s change appears; an edit of the same cell shows both values', async () => {
  const data = copyOf(path.join(samples, 'planes1.dat'));
  await onGrid(data, async (page) => {
    await page.fill('#grid-filters input[aria-label="Filter Crew"]', '1');
    await editCell(page, 4, 'Name', 'Albatros mine');
    await editCell(page, 6, 'Trim', '3');
    await cell(page, 8, 'Top speed').click();
    await page.click('#grid-head span[data-column="Top speed"]');
    importInto(data, { 4: { Name: 'Albatros theirs' }, 6: { Ceiling: 5000, Weight: 1e20, 'Wing area': 1e-5 } });
    await page.waitForFunction(() => document.querySelector('#grid-body .row[data-record="6"] > ' +
      'span[data-column="Ceiling"]').textContent === '5000', null, { timeout: 1500 });
    const conflict = cell(page, 4, 'Name');
    assert.match(await conflict.getAttribute('class'), /\bconflict\b/);
    assert.equal(await conflict.textContent(), 'Albatros minedisk: Albatros theirs');
    assert.equal(await cell(page, 6, 'Trim').textContent(), '3');
    // Reals as the export writes them (and /api/check answers).
    const csv = execFileSync(datedit, ['--export', data, format], { encoding: 'utf8', stdio: ['ignore', 'pipe', 'pipe'] });
    const [head, , , , , , , row6] = csv.split('\r\n').map((line) => line.split(','));
    const [weight, area] = ['Weight', 'Wing area'].map((name) => row6[head.indexOf(name)]);
    assert.deepEqual([weight, area], ['1e+20', '1e-05']);
    assert.deepEqual([await cell(page, 6, 'Weight').textContent(), await cell(page, 6, 'Wing area').textContent()],
      [weight, area]);
    // Filter, sort and selection stay.
    assert.equal(await page.inputValue('#grid-filters input[aria-label="Filter Crew"]'), '1');
    assert.deepEqual(await shownRecords(page), [0, 4, 8, 10, 2, 6]);
    assert.match(await cell(page, 8, 'Top speed').getAttribute('class'), /\bcurrent\b/);
    // Saved, the conflict is not written; the other edit is.
    await saveAndWait(page);
    assert.equal(exported(data).records[4].Name, 'Albatros theirs');
    assert.equal(exported(data).records[6].Trim, 3);
  });
});

test('a save after the file was replaced writes nothing and reads the file again', async () => {
  const data = copyOf(path.join(samples, 'planes1.dat'));
  await onGrid(data, async (page) => {
    // The page sees no new version, as if the file were replaced between
    // two polls.
    const version = await page.evaluate(async () => (await (await fetch('/api/version')).json()).version);
    await page.route('**/api/version', (route) => route.fulfill({ contentType: 'application/json',
      body: JSON.stringify({ version }) }));
    await editCell(page, 2, 'Name', 'Spad mine');
    const replacement = copyOf(data);
    importInto(replacement, { 2: { Name: 'Spad replaced' } });
    fs.renameSync(replacement, data);
    const bytes = fs.readFileSync(data);
    await page.keyboard.press('Control+s');
    await page.waitForFunction(() => /nothing was written/.test(document.getElementById('notice').textContent));
    assert.deepEqual(fs.readFileSync(data), bytes);
    assert.equal(await cell(page, 2, 'Name').textContent(), 'Spad minedisk: Spad replaced');
  });
});

test('65535 records: few rows built, sort and filter over all, record and name in view sideways', async () => {
  await onGrid(manyRecords(), async (page) => {
    const built = () => page.$eval('#grid', (grid) => Number(grid.dataset.built));
    assert.ok(await built() < 100);
    await page.click('#grid-head span[data-column="Ceiling"]');
    await page.click('#grid-head span[data-column="Ceiling"]');
    // Descending: 10006 first, held by n = 2859 + 10007k; equal cells in record order.
    assert.deepEqual((await shownRecords(page)).slice(0, 3), [2859, 12866, 22873]);
    await page.fill('#grid-filters input[aria-label="Filter Ceiling"]', '>=10000');
    await page.fill('#grid-filters input[aria-label="Filter Name"]', 'plane 6');
    assert.equal(await page.textContent('#status'), '65535 records, 4 shown');  // 60041, 61471, 62901, 64330
    await page.fill('#grid-filters input[aria-label="Filter Ceiling"]', '');
    await page.fill('#grid-filters input[aria-label="Filter Name"]', '');
    await page.click('#grid-head span[data-column="Ceiling"]');  // back to record order
    const before = await cell(page, 0, 'Name').boundingBox();
    await page.$eval('#grid', (grid) => { grid.scrollTop = grid.scrollHeight; grid.scrollLeft = grid.scrollWidth; });
    await page.waitForSelector('#grid-body .row[data-record="65534"]');
    assert.ok(await built() < 100);
    const name = await cell(page, 65534, 'Name').boundingBox();
    const number = await cell(page, 65534, 'record').boundingBox();
    assert.equal(name.x, before.x);
    assert.ok(number.x < name.x);
  });
});
