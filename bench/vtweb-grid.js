'use strict';
// The measuring half of bench/vtweb-grid: opens the grid of 65535 records,
// served by the real vtweb, `runs` times; keeps the best time from opening
// the page to its first rows, beside the time of the /api/records answer
// within it, and the best time of one sort by a number column until the
// sorted rows are painted.
const path = require('node:path');
const { manyRecords, launch } = require('../tests/web/harness.js');
const { startVtweb } = require('../tests/web/vtweb_server.js');

const SORTED_BY = 'Ceiling m';
// Ceilings are n * 7 % 10007: 0 at record 0, then 10007, 20014, ...
const FIRST_SORTED = [0, 10007, 20014];

async function openGrid(browser, address) {
  const page = await browser.newPage({ viewport: { width: 1200, height: 800 } });
  const errors = [];
  page.on('pageerror', (error) => errors.push(String(error)));
  await page.goto(address);
  await page.waitForSelector('#grid-body .row');
  return { page, errors };
}

// Sorts by one click on the column's head; the time until the frame after
// it has been painted.
const sortOnce = (page) => page.evaluate(async (column) => {
  const head = document.querySelector(`#grid-head span[data-column="${column}"]`);
  const started = performance.now();
  head.click();
  await new Promise((resolve) => requestAnimationFrame(() => setTimeout(resolve, 0)));
  return performance.now() - started;
}, SORTED_BY);

const firstRows = (page) => page.$$eval('#grid-body .row', (rows) => rows
  .sort((a, b) => parseFloat(a.style.top) - parseFloat(b.style.top)).slice(0, 3).map((row) => Number(row.dataset.record)));

async function main() {
  const runs = Number(process.argv[2] || 5);
  const format = path.join(path.dirname(path.resolve(process.env.VTWEB_BINARY)), 'planes.txt');
  const server = await startVtweb([manyRecords(), format]);
  const browser = await launch();
  let shown = Infinity, records = Infinity, sort = Infinity, heap = 0;
  try {
    for (let run = 0; run < runs; run++) {
      const { page, errors } = await openGrid(browser, server.address);
      const times = await page.evaluate(() => ({
        shown: performance.getEntriesByName('vtweb-rows-shown')[0].startTime,
        records: performance.getEntriesByName(location.origin + '/api/records')[0].duration,
      }));
      shown = Math.min(shown, times.shown);
      records = Math.min(records, times.records);
      sort = Math.min(sort, await sortOnce(page));
      const first = await firstRows(page);
      if (first.join() !== FIRST_SORTED.join()) throw new Error('sorted wrongly: ' + first.join());
      if (errors.length) throw new Error('the page failed: ' + errors.join('; '));
      heap = Math.max(heap, await page.evaluate(() => performance.memory ? performance.memory.usedJSHeapSize : 0));
      await page.close();
    }
  } finally {
    await browser.close();
    await server.stop();
  }
  if (process.env.BENCH_ROWS) {
    console.log(`row|vtweb grid, first rows (65535 records)|${(shown / 1000).toFixed(4)}|` +
      `GET /api/records|${(records / 1000).toFixed(4)}|< 2 s|${Math.round(heap / 1024)}`);
    console.log(`row|vtweb grid, one sort by a number (65535 records)|${(sort / 1000).toFixed(4)}|` +
      `-|0|-|${Math.round(heap / 1024)}`);
    return;
  }
  console.log(`first rows of 65535 records:   ${shown.toFixed(0)} ms after opening (best of ${runs}; ` +
    `the /api/records answer within it: ${records.toFixed(0)} ms)`);
  console.log(`one sort by ${SORTED_BY}:      ${sort.toFixed(0)} ms until painted (best of ${runs})`);
  console.log(`page JavaScript heap:          ${(heap / 1048576).toFixed(1)} MiB`);
}
main().catch((error) => { console.error(error); process.exit(1); });
