'use strict';
// Writes the README's picture of the map page: the sample, one landmark
// selected and another under the pointer.
// Usage (as tests/web/run sets it up): node tests/web/screenshot.js OUT.png
const path = require('node:path');
const { pageFor, launch, openPage } = require('./harness.js');

(async () => {
  const browser = await launch();
  const sample = path.join(__dirname, '..', '..', 'samples', 'lndmrks0.mrf');
  const { page } = await openPage(browser, pageFor('lndmrks0', sample), { width: 1100, height: 640 });
  await page.click('#list .row[data-record="13"]');
  await page.click('#fit');
  const v = await page.evaluate(() => ({ ...document.getElementById('map').dataset }));
  const box = await page.locator('#map').boundingBox();
  // Verdmont, record 2, under the pointer.
  await page.mouse.move(box.x + box.width / 2 + (23500.75 - v.east) * v.scale,
    box.y + box.height / 2 - (52310.0 - v.north) * v.scale);
  await page.waitForSelector('#tip:not([hidden])');
  await page.screenshot({ path: process.argv[2] });
  await browser.close();
})().catch((error) => { console.error(error); process.exit(1); });
