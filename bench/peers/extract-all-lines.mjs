// The peer of `quarnel-cli --rendered --mode all`: opens every address of a list file in Debian's Chromium
// through Playwright, N pages at once, reads each body's rendered text and keeps its non-empty lines
// without duplicates. Prints pages per second.
//   node extract-all-lines.mjs URLS_FILE [pages at once=1] [wait=load|networkidle] [DUMP_FILE]
// With DUMP_FILE, each page's lines are also written there, one JSON object a line: {source, text}, in
// list order, as `quarnel-cli --format jsonl --show-source --keep-duplicates` writes them. More browser
// arguments (such as --proxy-server=…) come from PEER_CHROMIUM_ARGS, separated by spaces.
import { readFileSync, writeFileSync } from 'node:fs';
import { chromium } from 'playwright-core';

const urls = readFileSync(process.argv[2], 'utf8').split('\n').filter((l) => l.trim() !== '')
  .map((l) => (l.includes('://') ? l : `http://${l}`));
const atOnce = Number(process.argv[3] ?? 1);
const waitUntil = process.argv[4] ?? 'load';
const dumpFile = process.argv[5];
const extraArgs = (process.env.PEER_CHROMIUM_ARGS ?? '').split(' ').filter((a) => a !== '');
const browser = await chromium.launch({
  executablePath: '/usr/bin/chromium',
  args: ['--no-sandbox', '--disable-gpu', '--disable-background-networking', '--disable-component-update',
         '--disable-sync', '--no-first-run', ...extraArgs],
});
const started = performance.now();
const results = new Set();
const pageLines = new Array(urls.length);
let next = 0;
async function worker() {
  const page = await browser.newPage();
  while (next < urls.length) {
    const index = next++;
    await page.goto(urls[index], { waitUntil, timeout: 60000 });
    // A page that moves on by itself as it is read (a refresh) is read again where it arrived.
    const read = () => page.evaluate(() => document.body.innerText);
    const again = () => page.waitForLoadState('load').then(read);
    const text = await read().catch(again).catch(again).catch(() => '');
    pageLines[index] = text.split('\n').filter((line) => line !== '');
    for (const line of pageLines[index]) results.add(line);
  }
}
await Promise.all(Array.from({ length: atOnce }, worker));
const seconds = (performance.now() - started) / 1000;
await browser.close();
if (dumpFile) {
  const rows = urls.flatMap((url, i) => pageLines[i].map((text) => JSON.stringify({ source: url, text })));
  writeFileSync(dumpFile, rows.map((row) => `${row}\n`).join(''));
}
console.log(`pages: ${urls.length}  results: ${results.size}`);
console.log(`time: ${seconds.toFixed(2)} s  pages/s: ${(urls.length / seconds).toFixed(1)}`);
