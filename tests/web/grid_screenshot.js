'use strict';
// Writes the README's picture of the record grid: the sample with its format,
// one record selected, one cell edited and one refused.
// Usage: VTWEB_BINARY=build/vtweb/vtweb node tests/web/grid_screenshot.js OUT.png
// (NODE_PATH as tests/web/run sets it).
const fs = require('node:fs');
const path = require('node:path');
const { launch, scratch } = require('./harness.js');
const { startVtweb } = require('./vtweb_server.js');

(async () => {
  const root = path.join(__dirname, '..', '..');
  // Named as a player names them, from their folder.
  fs.copyFileSync(path.join(root, 'samples', 'planes1.dat'), path.join(scratch, 'planes1.dat'));
  fs.copyFileSync(path.join(root, 'datedit', 'formats', 'planes.txt'), path.join(scratch, 'planes.txt'));
  const server = await startVtweb(['planes1.dat', './planes.txt'], scratch);
  const browser = await launch();
  const page = await browser.newPage({ viewport: { width: 1100, height: 560 } });
  await page.goto(server.address);
  await page.waitForSelector('#grid-body .row');
  const cell = (record, column) => page.locator(`#grid-body .row[data-record="${record}"] > span[data-column="${column}"]`);
  for (const [record, column, text] of [[5, 'Top speed km/h', '178'], [6, 'Crew', '300']]) {
    await cell(record, column).dblclick();
    await cell(record, column).locator('input').fill(text);
    await cell(record, column).locator('input').press('Enter');
  }
  await page.waitForFunction(() => !document.querySelector('#grid-body .checking'));
  await cell(6, 'Crew').click();
  await page.waitForSelector('#hex:not(.reading) .hex-byte');  // the record's bytes, read
  await page.screenshot({ path: process.argv[2] });
  await browser.close();
  await server.stop();
})().catch((error) => { console.error(error); process.exit(1); });
