'use strict';
// Editing on the map page, served by the real vtweb: the bytes a save writes
// are compared with what lmedit's record editor writes for the same changes.
const { test, before, after } = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const { launch, startVtweb, runLmedit, scratch } = require('./harness.js');

const sample = path.join(__dirname, '..', '..', 'samples', 'lndmrks0.mrf');
let browser;
before(async () => { browser = await launch(); });
after(async () => { await browser.close(); });

let copies = 0;
// A copy of the sample in a folder of its own, with `change` made to its bytes.
function copyOfSample(change = () => {}) {
  const folder = fs.mkdtempSync(path.join(scratch, 'edit-'));
  const bytes = fs.readFileSync(sample);
  change(bytes);
  const file = path.join(folder, 'lndmrks' + (copies++ % 5) + '.mrf');
  fs.writeFileSync(file, bytes);
  return file;
}

// `body` given the page of a vtweb serving `file`, ready to edit, with
// every dialog accepted; no error may reach the page's console.
async function withServedPage(file, env, body) {
  const server = await startVtweb(file, env);
  try {
    const page = await browser.newPage({ viewport: { width: 1300, height: 760 } });
    const errors = [];
    page.on('pageerror', (error) => errors.push(String(error)));
    page.on('dialog', (dialog) => dialog.accept());
    await page.goto(server.url);
    await page.waitForSelector('body[data-editing="on"] #list .row[data-record="1"]');
    await body(page);
    assert.deepEqual(errors, []);
  } finally {
    await server.close();
  }
}

// Record 9, Hestle, selected and renamed in the page.
async function renameHestle(page, name) {
  await page.click('#list .row[data-record="9"]');
  await type(page, 'name', name);
  await page.waitForSelector('#f-name.pending');
}

// Where a landmark is on the canvas, from the view the page reports.
async function screenPoint(page, east, north) {
  const v = await page.evaluate(() => ({ ...document.getElementById('map').dataset }));
  const box = await page.locator('#map').boundingBox();
  return [box.x + box.width / 2 + (east - Number(v.east)) * Number(v.scale),
    box.y + box.height / 2 - (north - Number(v.north)) * Number(v.scale)];
}

async function type(page, column, text) {
  await page.fill('#f-' + column, text);
  await page.press('#f-' + column, 'Enter');
}

const fieldClass = (page, column) => page.getAttribute('#f-' + column, 'class');
const waitForStatus = (page, pattern) => page.waitForFunction((source) =>
  new RegExp(source).test(document.getElementById('save-status').textContent), pattern.source);

// lmedit's editor making the same changes on other copies of `bytes`.
async function lmeditWrites(bytes, keys) {
  const folder = fs.mkdtempSync(path.join(scratch, 'lmedit-'));
  const template = path.join(folder, 'template.mrf'), output = path.join(folder, 'output.mrf');
  fs.writeFileSync(template, bytes);
  fs.writeFileSync(output, bytes);
  await runLmedit(template, output, keys);
  return fs.readFileSync(output);
}

test('rename, type, side and a drag saved write what lmedit\'s editor writes; an invalid cell is marked and not saved; undo and redo', async () => {
  // Record 9's Lo file ID gets a middle byte, which a change of type or side keeps.
  const file = copyOfSample((bytes) => { bytes[100 + 8 * 63 + 5] = 0x2a; });
  const original = fs.readFileSync(file);
  await withServedPage(file, {}, async (page) => {
    await renameHestle(page, 'Hestle Nord');
    assert.equal(await page.textContent('#list .row.edited[data-record="9"] span:nth-child(2)'), 'Hestle Nord');
    await page.selectOption('#f-type', '1');
    await page.selectOption('#f-side', '1');
    await type(page, 'lm_id', '70000');
    await page.waitForSelector('#message-lm_id.invalid');
    assert.equal(await fieldClass(page, 'lm_id'), 'invalid');
    assert.equal(await page.textContent('#f-lo_file_id'), '0x012A01');
    // A drag of the selected landmark: down and right is south and east.
    const [x, y] = await screenPoint(page, 22460.25, 53110.5);
    await page.mouse.move(x, y);
    await page.mouse.down();
    await page.mouse.move(x + 60, y + 40, { steps: 6 });
    await page.mouse.up();
    const north = await page.inputValue('#f-n_coord'), east = await page.inputValue('#f-e_coord');
    assert.match(north + ' ' + east, /^\d+ \d+$/, 'whole units');
    assert.ok(Number(north) < 53110.5 && Number(east) > 22460.25, north + ' ' + east);
    // Undo takes the drag back, redo makes it again, by either key.
    await page.keyboard.press('Control+z');
    assert.equal(await page.inputValue('#f-n_coord'), '53110.5');
    assert.equal(await fieldClass(page, 'n_coord'), '');
    await page.keyboard.press('Control+Shift+z');
    assert.equal(await page.inputValue('#f-n_coord'), north);
    await page.keyboard.press('Control+z');
    await page.keyboard.press('Control+y');
    assert.equal(await page.inputValue('#f-e_coord'), east);
    assert.equal(await fieldClass(page, 'e_coord'), 'pending');
    assert.deepEqual(fs.readFileSync(file), original, 'nothing written before Save');

    await page.click('#save');
    await waitForStatus(page, /^Saved record 9\. 1 edited cell not saved: not valid/);
    assert.equal(await fieldClass(page, 'name'), '');
    assert.equal(await fieldClass(page, 'lm_id'), 'invalid');
    assert.deepEqual(fs.readFileSync(file), await lmeditWrites(original,
      `J9\nM1${north}\n2${east}\n6Hestle Nord\n5012A01S E`));
  });
});

test('a cell changed on disk and in the page shows both values and is not written; other changes merge', async () => {
  const file = copyOfSample();
  const original = fs.readFileSync(file);
  await withServedPage(file, {}, async (page) => {
    await renameHestle(page, 'Hestle Nord');
    await type(page, 'rotation', '45');
    await page.waitForSelector('#f-rotation.pending');
    // lmedit renames record 9 and changes its elevation meanwhile.
    await runLmedit(copyOfSample(), file, 'J9\nM6Hestle Sud\n3 77\nS E');
    await page.waitForSelector('#message-name.conflict');
    assert.match(await page.textContent('#message-name'),
      /^Changed on disk to "Hestle Sud" since; yours is "Hestle Nord"\./);
    assert.equal(await page.inputValue('#f-elevation'), '77');
    await page.click('#save');
    await waitForStatus(page, /^Saved record 9\. Not written, changed on disk since the page read it: /);
    assert.match(await page.textContent('#save-status'),
      /record 9 name \(yours "Hestle Nord", on disk "Hestle Sud"\)/);
    const merged = await lmeditWrites(original, 'J9\nM6Hestle Sud\n3 77\n4 45\nS E');
    assert.deepEqual(fs.readFileSync(file), merged);
    // Keep mine: the page's name is written over the disk's.
    await page.click('#message-name button:text("Keep mine")');
    await page.click('#save');
    await waitForStatus(page, /^Saved record 9\.$/);
    assert.deepEqual(fs.readFileSync(file), await lmeditWrites(merged, 'J9\nM6Hestle Nord\nS E'));
  });
});

test('a save after another program replaced the file writes nothing and shows the new file', async () => {
  const file = copyOfSample();
  await withServedPage(file, {}, async (page) => {
    await renameHestle(page, 'Hestle Nord');
    // The page is not to notice the replacement before its save.
    const read = await page.evaluate(() => fetch('/api/version').then((answer) => answer.text()));
    await page.route('**/api/version', (route) => route.fulfill({ contentType: 'application/json', body: read }));
    const other = await lmeditWrites(fs.readFileSync(file), 'J2\nM6Verdmont Neu\nS E');
    fs.writeFileSync(file + '.new', other);
    fs.renameSync(file + '.new', file);
    await page.click('#save');
    await waitForStatus(page,
      /\. The page shows the file as it is now, with your edits kept unsaved\.$/);
    await page.waitForSelector('#list .row[data-record="2"]:has-text("Verdmont Neu")');
    assert.equal(await page.inputValue('#f-name'), 'Hestle Nord');
    assert.deepEqual(fs.readFileSync(file), other);
  });
});

test('a save the server refuses says why and keeps the edits', async () => {
  const file = copyOfSample();
  const original = fs.readFileSync(file);
  await withServedPage(file, {}, async (page) => {
    await renameHestle(page, 'Hestle Nord');
    await page.route('**/api/save', (route) => route.fulfill({ status: 503, body: 'another program is busy' }));
    await page.click('#save');
    await waitForStatus(page, /^Not saved: another program is busy$/);
    assert.equal(await fieldClass(page, 'name'), 'pending');
    assert.deepEqual(fs.readFileSync(file), original);
  });
});

test('an lmedit write waits on the lock while a save holds it, and ends after it', async () => {
  const file = copyOfSample();
  const original = fs.readFileSync(file);
  await withServedPage(file, { VTWEB_TEST_HOLD_LOCK_MS: '3000' }, async (page) => {
    await renameHestle(page, 'Hestle Nord');
    await page.click('#save');
    // Written, and held three seconds more: lmedit blanks record 1 meanwhile.
    while (!fs.readFileSync(file).includes('Hestle Nord')) await new Promise((r) => setTimeout(r, 20));
    const started = Date.now();
    const lmedit = await runLmedit(copyOfSample(), file, 'ZE');
    await waitForStatus(page, /^Saved record 9\.$/);
    assert.ok(lmedit.stdout.includes('waiting for another program to finish with ' +
      path.basename(file) + '...'), lmedit.stdout);
    assert.ok(lmedit.endedAt - started > 500, 'lmedit waited ' + (lmedit.endedAt - started) + ' ms');
    assert.deepEqual(fs.readFileSync(file), await lmeditWrites(original, 'J9\nM6Hestle Nord\nS J1\nZE'));
  });
});

test('Add places a landmark where the map is clicked (Shift: in fractions), after the last record; Blank zeroes one', async () => {
  const file = copyOfSample();
  const original = fs.readFileSync(file);
  await withServedPage(file, {}, async (page) => {
    await page.click('#add');
    // With Shift held, the place is not rounded to whole units.
    const box = await page.locator('#map').boundingBox();
    await page.keyboard.down('Shift');
    await page.mouse.click(box.x + 61, box.y + box.height - 59);
    await page.keyboard.up('Shift');
    await page.waitForSelector('#list .row.selected[data-record="21"]');
    assert.equal(await page.getAttribute('#add', 'aria-pressed'), 'false');
    const north = await page.inputValue('#f-n_coord'), east = await page.inputValue('#f-e_coord');
    assert.match(north + ' ' + east, /^-?\d+\.\d+ -?\d+\.\d+$/, 'fractions');
    await page.click('#list .row[data-record="3"]');
    await page.click('#blank');
    await waitForStatus(page, /^Blanked record 3\.$/);
    assert.equal(await page.inputValue('#f-name'), '');
    assert.deepEqual(fs.readFileSync(file),
      await lmeditWrites(original, `NM1${north}\n2${east}\nS J3\nZE`));
  });
});
