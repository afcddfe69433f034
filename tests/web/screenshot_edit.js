'use strict';
// Writes the README's picture of editing on the map page: the sample served
// by vtweb, record 9 renamed and dragged (unsaved), a real out of range.
// Usage (as tests/web/run sets it up): node tests/web/screenshot_edit.js OUT.png
const fs = require('node:fs');
const path = require('node:path');
const { launch, startVtweb, scratch } = require('./harness.js');

(async () => {
  const file = path.join(scratch, 'lndmrks0.mrf');
  fs.copyFileSync(path.join(__dirname, '..', '..', 'samples', 'lndmrks0.mrf'), file);
  const server = await startVtweb(file);
  const browser = await launch();
  const page = await browser.newPage({ viewport: { width: 1200, height: 640 } });
  await page.goto(server.url);
  await page.click('#list .row[data-record="9"]');
  for (const [column, text] of [['name', 'Hestle Nord'], ['elevation', '1e40']]) {
    await page.fill('#f-' + column, text);
    await page.press('#f-' + column, 'Enter');
  }
  for (let k = 0; k < 3; k++) await page.click('#zoom-in');
  const box = await page.locator('#map').boundingBox();
  const [x, y] = [box.x + box.width / 2, box.y + box.height / 2];  // centred on record 9
  await page.mouse.move(x, y);
  await page.mouse.down();
  await page.mouse.move(x + 50, y - 30, { steps: 5 });
  await page.mouse.up();
  await page.waitForSelector('#f-elevation.invalid');
  await page.screenshot({ path: process.argv[2] });
  await browser.close();
  await server.close();
})().catch((error) => { console.error(error); process.exit(1); });
