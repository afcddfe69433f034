'use strict';
// The landmark map page in Chromium, opened as the --html file is.
const { test, before, after } = require('node:test');
const assert = require('node:assert/strict');
const path = require('node:path');
const { pageFor, manyLandmarks, launch, openPage, serve, exportJson } = require('./harness.js');

const sample = path.join(__dirname, '..', '..', 'samples', 'lndmrks0.mrf');
const hostileName = '<img src=x onerror=alert(1)>';
let browser;
before(async () => { browser = await launch(); });
after(async () => { await browser.close(); });

const mapData = (page) => page.evaluate(() => ({ ...document.getElementById('map').dataset }));
const listNames = (page) => page.$$eval('#list .row span:nth-child(2)', (cells) =>
  cells.map((cell) => cell.textContent));

// Where a landmark is on the canvas, from the view the page reports.
async function screenPoint(page, east, north) {
  const v = await mapData(page);
  const box = await page.locator('#map').boundingBox();
  return [box.x + box.width / 2 + (east - Number(v.east)) * Number(v.scale),
    box.y + box.height / 2 - (north - Number(v.north)) * Number(v.scale)];
}

async function nextFrame(page, after) {
  await page.waitForFunction((n) => Number(document.getElementById('map').dataset.frames) > n,
    Number(after.frames));
}

test('draws every landmark with finite co-ordinates, says how many are left out, and sends no request', async () => {
  const url = pageFor('odd', [
    { type: 1, side: 0, north: 100, east: 200, name: 'Verdmont' },
    { type: 0, side: 1, north: Infinity, east: 5, name: 'Far away' },
    { type: 12, side: 7, north: 300, east: 400, name: hostileName },
    { type: 2, side: 1, north: 50, east: NaN, name: 'Nowhere' },
  ]);
  const { page, seen } = await openPage(browser, url);
  assert.equal((await mapData(page)).drawn, '2');
  assert.match(await page.textContent('#status'), /2 on the map, 2 left out \(co-ordinates not finite\)/);
  assert.match(await page.textContent('#notice'), /Read-only copy of .*odd\.mrf/);
  assert.equal(await page.locator('#edit-bar, #editor, button:text("Save")').count(), 0, 'no editing');
  // The hostile name is text in the list, not an element.
  assert.deepEqual(await listNames(page), ['Verdmont', 'Far away', hostileName, 'Nowhere']);
  assert.equal(await page.$$eval('img', (images) => images.length), 0);
  const pixels = await page.evaluate(() => {
    const c = document.getElementById('map');
    const data = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;
    let coloured = 0;
    for (let k = 0; k < data.length; k += 4) if (data[k] !== data[k + 1]) coloured++;
    return coloured;
  });
  assert.ok(pixels > 50, 'coloured symbols on the canvas: ' + pixels);
  assert.deepEqual(seen.requests, [url]);
  assert.deepEqual(seen.errors, []);
});

test('zooms around the pointer with the wheel, around the centre with keys and buttons, and pans by dragging', async () => {
  const { page, seen } = await openPage(browser, pageFor('sample', sample));
  const fitted = await mapData(page);
  // Verdmont (record 2) stays under the pointer while the wheel zooms in.
  const [x, y] = (await screenPoint(page, 23500.75, 52310.0)).map(Math.round);
  await page.mouse.move(x, y);
  await page.mouse.wheel(0, -300);
  await nextFrame(page, fitted);
  const zoomed = await mapData(page);
  assert.ok(Number(zoomed.scale) > 1.5 * Number(fitted.scale));
  const [x2, y2] = await screenPoint(page, 23500.75, 52310.0);
  assert.ok(Math.abs(x2 - x) < 1 && Math.abs(y2 - y) < 1, `moved to ${x2},${y2} from ${x},${y}`);
  assert.notEqual(zoomed.scaleBar, fitted.scaleBar);
  // The key and the button zoom around the centre: the centre stays.
  await page.keyboard.press('-');
  await nextFrame(page, zoomed);
  const out = await mapData(page);
  assert.ok(Math.abs(Number(out.scale) * 1.5 - Number(zoomed.scale)) < 1e-9);
  assert.equal(out.east, zoomed.east);
  await page.click('#zoom-in');
  await nextFrame(page, out);
  assert.equal((await mapData(page)).scale, zoomed.scale);
  // A drag moves the map with the pointer.
  const before = await mapData(page);
  await page.mouse.move(x, y);
  await page.mouse.down();
  await page.mouse.move(x + 40, y + 30, { steps: 4 });
  await page.mouse.up();
  const [x3, y3] = await screenPoint(page, 23500.75, 52310.0);
  assert.ok(Math.abs(x3 - x - 40) < 1 && Math.abs(y3 - y - 30) < 1, `dragged to ${x3},${y3}`);
  assert.equal((await mapData(page)).scale, before.scale);
  assert.deepEqual(seen.errors, []);
});

test('search and filters narrow the list and the map', async () => {
  const { page } = await openPage(browser, pageFor('sample', sample));
  await page.fill('#search', 'DUMP');
  assert.deepEqual(await listNames(page), ['Dump at Ossery', 'Dump at Crois']);
  await page.waitForFunction(() => document.getElementById('map').dataset.drawn === '2');
  await page.fill('#search', '');
  await page.locator('#types label', { hasText: 'aero' }).locator('input').uncheck();
  await page.locator('#sides label', { hasText: 'Invalid side' }).locator('input').uncheck();
  const names = await listNames(page);
  assert.equal(names.length, 16);
  assert.ok(!names.includes('Field Hollin') && !names.includes('Marker, no side'));
  assert.match(await page.textContent('#list-count'), /^16 of 20 shown$/);
  await page.waitForFunction(() => document.getElementById('map').dataset.drawn === '16');
});

test('selection follows between list and map, and hover names the landmark', async () => {
  const { page } = await openPage(browser, pageFor('sample', sample));
  await page.click('#list .row[data-record="4"]');
  // The map centres on the landmark chosen in the list.
  await page.waitForFunction(() => document.getElementById('map').dataset.east === '26340.5');
  assert.equal(await page.textContent('#list .row.selected span:nth-child(2)'), 'Carlin yards');
  // A click on a symbol selects it in the list.
  const [x, y] = await screenPoint(page, 18810.25, 37450.0);  // Ebbe, record 17
  await page.mouse.move(x + 2, y + 1);
  await page.waitForSelector('#tip:not([hidden])');
  assert.equal(await page.textContent('#tip'),
    'Ebbe\nRecord 17: village, Allied\nN 37450  E 18810.25');
  await page.mouse.down();
  await page.mouse.up();
  assert.equal(await page.textContent('#list .row.selected span:nth-child(2)'), 'Ebbe');
});

test('65535 landmarks: all drawn, a list of few rows, the selected row scrolled into view', async () => {
  // How soon they are drawn is bench/vtweb-map's to measure, not a test's.
  const { page, seen } = await openPage(browser, pageFor('many', manyLandmarks()));
  assert.equal((await mapData(page)).drawn, '65535');
  assert.ok(await page.locator('#list .row').count() < 100);
  // Found far down the list by search, the list centres the map on it;
  // picked on the whole map, the list scrolls to it.
  const chosen = 65531;
  await page.fill('#search', 'landmark 65531');
  assert.deepEqual(await listNames(page), ['Landmark 65531']);
  await page.click(`#list .row[data-record="${chosen}"]`);
  await page.fill('#search', '');
  assert.equal(await page.locator(`#list .row[data-record="${chosen}"]`).count(), 0);
  for (let k = 0; k < 12; k++) await page.click('#zoom-in');
  const box = await page.locator('#map').boundingBox();
  await page.mouse.click(box.x + box.width / 2, box.y + box.height / 2);
  await page.waitForSelector(`#list .row.selected[data-record="${chosen}"]`);
  assert.ok(await page.locator(`#list .row[data-record="${chosen}"]`).isVisible());
  assert.deepEqual(seen.errors, []);
});

test('served, it fetches the landmarks, follows a change of version and keeps the view', async () => {
  const server = await serve(exportJson(sample));
  try {
    const { page, seen } = await openPage(browser, server.url);
    assert.match(await page.textContent('#notice'), /^Live/);
    await page.fill('#search', 'e');
    await page.click('#list .row[data-record="9"]');
    await page.click('#zoom-in');
    await page.waitForFunction(() => document.getElementById('map').dataset.east === '22460.25');
    const view = await mapData(page);
    // Another program renames Hestle and moves it.
    server.json = server.json.replace('"n_coord": 53110.5, "e_coord": 22460.25', '"n_coord": 53110.5, "e_coord": 22470.0')
      .replace('"Hestle"', '"Hestle <b>new</b>"');
    server.version++;
    await page.waitForFunction(() => document.querySelector('#list .row.selected span:nth-child(2)')
      ?.textContent === 'Hestle <b>new</b>', null, { timeout: 1500 });
    const after = await mapData(page);
    assert.deepEqual([after.scale, after.east, after.north], [view.scale, view.east, view.north]);
    assert.equal(await page.inputValue('#search'), 'e');
    // Polls for the version, and fetches the landmarks only when it changed.
    const fetched = server.paths.filter((p) => p === 'GET /api/landmarks').length;
    assert.equal(fetched, 2);
    assert.ok(server.paths.filter((p) => p === 'GET /api/version').length >= 2);
    assert.ok(seen.requests.every((url) => url.startsWith(server.url)), seen.requests.join(' '));
    assert.deepEqual(seen.errors, []);
  } finally {
    await server.close();
  }
});
