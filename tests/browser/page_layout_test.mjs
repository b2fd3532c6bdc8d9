// report.html laid out as a reader sees it, in Debian's chromium, headless: on a 1280 px screen and
// on a phone's 390 px one, the page never scrolls sideways; a table wider than its box scrolls
// inside a box of its own; the curves fit. A screenshot at each width is kept in the folder the
// test runs in. Exit 77 (skipped) where chromium is missing.
//
//   node tests/browser/page_layout_test.mjs PATH/TO/auralith-compare RECORDING.wav
import { spawnSync } from 'node:child_process';
import { existsSync, mkdtempSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join, resolve } from 'node:path';
import { openBrowser } from './cdp_pipe.mjs';

const [program, recording] = process.argv.slice(2);
const browser = ['/usr/bin/chromium', '/usr/bin/chromium-browser'].find(existsSync);
if (!browser) { console.log('chromium is not installed: skipped'); process.exit(77); }
const work = mkdtempSync(join(tmpdir(), 'layout-'));
process.on('exit', () => rmSync(work, { recursive: true, force: true }));
// With the headphone renders where this build has them: their column makes the widest panel.
let made = spawnSync(program, ['-q', '-H', '-o', join(work, 'out'), recording], { encoding: 'utf8' });
if (made.status !== 0) made = spawnSync(program, ['-q', '-o', join(work, 'out'), recording], { encoding: 'utf8' });
if (made.status !== 0) { console.log(`FAILED: ${made.stderr.trim()}`); process.exit(1); }

let failures = 0;
function check(ok, what) {
  if (!ok) { failures++; console.log(`FAILED: ${what}`); }
}
const page = await openBrowser(browser, ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
  '--disable-background-networking', '--disable-component-update', '--disable-sync', `--user-data-dir=${join(work, 'profile')}`,
  '--hide-scrollbars', '--disable-audio-output']);
for (const domain of ['Page', 'Runtime']) await page.send(`${domain}.enable`);

// What the page's layout is at the width the viewport has now: each table, the box it scrolls in
// (itself or the nearest ancestor that clips it), and whether the box scrolls sideways.
const layout = `(() => {
  const scroller = (table) => { for (let e = table.parentElement; e; e = e.parentElement)
    if (getComputedStyle(e).overflowX !== 'visible') return e; return null; };
  const tables = [...document.querySelectorAll('table')].filter((t) => t.offsetWidth > 0).map((t) => {
    const box = scroller(t) ?? document.body;
    return { what: t.className || t.closest('section')?.id || 'table', width: t.offsetWidth,
             boxWidth: box.clientWidth,
             scrolls: box !== document.body && box.scrollWidth > box.clientWidth && getComputedStyle(box).overflowX === 'auto' };
  });
  const svg = document.querySelector('#curves svg').getBoundingClientRect();
  const controls = [...document.querySelectorAll('#panel button, #panel select, #panel .timeline')]
    .filter((e) => e.offsetWidth > 0).map((e) => e.getBoundingClientRect().right);
  return { scrollWidth: document.documentElement.scrollWidth, viewport: window.innerWidth, tables,
           svgRight: svg.right, svgWidth: svg.width, controlsRight: Math.max(...controls),
           viewportMeta: document.querySelector('meta[name=viewport]')?.content ?? '' };
})()`;

// Without script the plain players (two per array with the headphone renders) show instead of the panel.
for (const [width, script] of [[1280, true], [390, true], [390, false]]) {
  const at = `${width} px${script ? '' : ' without script'}`;
  await page.send('Emulation.setDeviceMetricsOverride', { width, height: 900, deviceScaleFactor: 1, mobile: width < 600 });
  await page.send('Emulation.setScriptExecutionDisabled', { value: !script });
  const loaded = new Promise((done) => page.on('Page.loadEventFired', done));
  await page.send('Page.navigate', { url: `file://${work}/out/report.html` });
  await loaded;
  // The page's script builds the panel on load: its controls are there once its buttons are.
  if (script) await page.evaluate(`new Promise((done) => { const ready = () => document.querySelector('#panel button') ? done(1)
    : requestAnimationFrame(ready); ready(); })`);
  const seen = await page.evaluate(layout);
  check(seen.viewportMeta.includes('width=device-width'), `${at}: no viewport meta tag (${seen.viewportMeta})`);
  check(seen.viewport === width && seen.scrollWidth <= width, `${at}: the page is ${seen.scrollWidth} px wide in a ${seen.viewport} px viewport`);
  check(seen.svgRight <= width && seen.svgWidth > width / 2, `${at}: the curves span ${seen.svgWidth} px to ${seen.svgRight}`);
  if (script) check(seen.controlsRight <= width, `${at}: the panel's controls reach ${seen.controlsRight} px`);
  check(seen.tables.length === (script ? 7 : 8), `${at}: ${seen.tables.length} tables shown`);
  for (const t of seen.tables)
    if (t.width > t.boxWidth) check(t.scrolls, `${at}: the ${t.what} table (${t.width} px) overflows a box that does not scroll`);
  const scrolling = seen.tables.filter((t) => t.scrolls).length;
  // A phone is narrower than an array's table: there each scrolls in its own box.
  if (width === 390) check(scrolling >= 6, `${at}: only ${scrolling} tables scroll in their box`);
  const file = resolve(`page-layout-${width}${script ? '' : '-no-script'}.png`);
  writeFileSync(file, Buffer.from((await page.send('Page.captureScreenshot', { format: 'png' })).data, 'base64'));
  console.log(`${at}: page ${seen.scrollWidth} px wide, ${seen.tables.length} tables, ${scrolling} scrolling in their box; screenshot ${file}`);
}
await page.close();
console.log(failures ? `${failures} checks failed` : 'the page fits at 1280 px and at 390 px');
process.exit(failures ? 1 : 0);
