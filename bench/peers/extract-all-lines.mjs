// The peer of `quarnel-cli --rendered --mode all`: serves N small pages on 127.0.0.1, opens each in turn in
// Debian's Chromium through Playwright, reads the body's rendered text and keeps its non-empty lines without
// duplicates. Prints pages per second.
import http from 'node:http';
import { chromium } from 'playwright-core';

const pages = Number(process.argv[2] ?? 200);
const server = http.createServer((req, res) => {
  const i = Number((req.url.match(/page(\d+)\.html/) ?? [])[1] ?? -1);
  if (i < 0) { res.writeHead(404); res.end('not found'); return; }
  res.writeHead(200, { 'Content-Type': 'text/html; charset=utf-8' });
  res.end(`<html><body><h1>Page ${i}</h1><p>First line</p><p>Line ${i}</p>` +
          `<script>document.write('<p>Written ' + ${i} + '</p>')</script></body></html>`);
});
await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
const base = `http://127.0.0.1:${server.address().port}`;

const browser = await chromium.launch({
  executablePath: '/usr/bin/chromium',
  args: ['--no-sandbox', '--disable-gpu', '--disable-background-networking', '--disable-component-update',
         '--disable-sync', '--no-first-run'],
});
const page = await browser.newPage();
const started = performance.now();
const results = new Set();
for (let i = 0; i < pages; ++i) {
  await page.goto(`${base}/page${i}.html`, { waitUntil: 'load' });
  const text = await page.evaluate(() => document.body.innerText);
  for (const line of text.split('\n')) if (line !== '') results.add(line);
}
const seconds = (performance.now() - started) / 1000;
await browser.close();
server.close();
console.log(`pages: ${pages}  results: ${results.size}`);
console.log(`time: ${seconds.toFixed(2)} s  pages/s: ${(pages / seconds).toFixed(1)}`);
