// The peer of `quarnel-cli --rendered --mode all`: opens every address of a list file in Debian's Chromium
// through Playwright, N pages at once, reads each body's rendered text and keeps its non-empty lines
// without duplicates. Prints pages per second.
//   node extract-all-lines.mjs URLS_FILE [pages at once=1]
import { readFileSync } from 'node:fs';
import { chromium } from 'playwright-core';

const urls = readFileSync(process.argv[2], 'utf8').split('\n').filter((l) => l.trim() !== '')
  .map((l) => (l.includes('://') ? l : `http://${l}`));
const atOnce = Number(process.argv[3] ?? 1);
const browser = await chromium.launch({
  executablePath: '/usr/bin/chromium',
  args: ['--no-sandbox', '--disable-gpu', '--disable-background-networking', '--disable-component-update',
         '--disable-sync', '--no-first-run'],
});
const started = performance.now();
const results = new Set();
let next = 0;
async function worker() {
  const page = await browser.newPage();
  while (next < urls.length) {
    const url = urls[next++];
    await page.goto(url, { waitUntil: 'load' });
    const text = await page.evaluate(() => document.body.innerText);
    for (const line of text.split('\n')) if (line !== '') results.add(line);
  }
}
await Promise.all(Array.from({ length: atOnce }, worker));
const seconds = (performance.now() - started) / 1000;
await browser.close();
console.log(`pages: ${urls.length}  results: ${results.size}`);
console.log(`time: ${seconds.toFixed(2)} s  pages/s: ${(urls.length / seconds).toFixed(1)}`);
