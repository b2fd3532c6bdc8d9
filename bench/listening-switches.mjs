// How the listening panel does on an output folder of any size: twenty switches between arrays
// while playing, from the last position (late in the files, where a switch must seek far), with
// the median time from the key to the new element's 'playing' event and the largest jump of the
// time; then the memory of all of chromium's processes (their proportional set sizes, shared pages counted once), against the renders' sizes.
//
//   node bench/listening-switches.mjs FOLDER   (FOLDER holds report.html and its renders)
import { readFileSync, readdirSync, statSync, mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join, resolve } from 'node:path';
import { openBrowser } from '../tests/browser/cdp_pipe.mjs';

const folder = resolve(process.argv[2]);
const profile = mkdtempSync(join(tmpdir(), 'listening-bench-'));
const page = await openBrowser('/usr/bin/chromium', ['--headless', '--no-sandbox', '--disable-gpu', '--no-first-run',
  '--disable-background-networking', '--disable-component-update', '--disable-sync', `--user-data-dir=${profile}`,
  '--autoplay-policy=no-user-gesture-required', '--disable-audio-output']);
await page.send('Page.enable');
const loaded = new Promise((r) => page.on('Page.loadEventFired', r));
await page.send('Page.navigate', { url: `file://${folder}/report.html` });
await loaded;
const sleep = (ms) => new Promise((r) => setTimeout(r, ms));
const result = await page.evaluate(`(async () => {
  const audios = [...document.querySelectorAll('audio')];
  const playing = () => new Promise((r) => audios.forEach((a) => a.addEventListener('playing', () => r(a), { once: true })));
  const key = (k) => document.dispatchEvent(new KeyboardEvent('keydown', { key: k, bubbles: true }));
  document.querySelectorAll('#positions button')[12].click();
  let started = playing(); key(' '); await started;
  await new Promise((r) => setTimeout(r, 500));
  const times = [], jumps = [];
  for (let i = 0; i < 20; ++i) {
    const before = audios.find((a) => !a.paused).currentTime, t0 = performance.now();
    started = playing(); key(String((i + 1) % 6 + 1)); const a = await started;
    times.push(performance.now() - t0); jumps.push(Math.abs(a.currentTime - before));
    await new Promise((r) => setTimeout(r, 150));
  }
  times.sort((x, y) => x - y);
  return { median: times[10], worst: times[19], jump: Math.max(...jumps), at: audios.find((a) => !a.paused).currentTime };
})()`);
await sleep(200);
let rss = 0;
for (const pid of readdirSync('/proc').filter((d) => /^\d+$/.test(d))) {
  try {
    if (readFileSync(`/proc/${pid}/cmdline`, 'utf8').includes(profile))
      rss += Number(/Pss:\s+(\d+)/.exec(readFileSync(`/proc/${pid}/smaps_rollup`, 'utf8'))?.[1] ?? 0);
  } catch { /* a process that has gone */ }
}
const renders = readdirSync(folder).filter((f) => f.endsWith('.wav')).reduce((sum, f) => sum + statSync(join(folder, f)).size, 0);
await page.close();
rmSync(profile, { recursive: true, force: true });
console.log(`switches at ${result.at.toFixed(1)} s: median ${result.median.toFixed(1)} ms, slowest ${result.worst.toFixed(1)} ms, ` +
            `largest jump of the time ${(1000 * result.jump).toFixed(1)} ms`);
console.log(`chromium's memory (proportional set size, all processes): ${(rss / 1024).toFixed(0)} MB, for ${(renders / 2 ** 30).toFixed(2)} GiB of renders`);
