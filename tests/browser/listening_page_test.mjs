// The listening panel of report.html in Debian's chromium, headless, from a file:// address, as a
// user drives it: keys and clicks, while the renders play through an audio output that needs no
// sound card. Times and volumes are checked against the label tracks and arrays.csv the run wrote.
// Exit 77 (skipped) where chromium or the headphone renders are missing.
//
//   node tests/browser/listening_page_test.mjs PATH/TO/auralith-compare RECORDING.wav
import { spawnSync } from 'node:child_process';
import { existsSync, mkdtempSync, readFileSync, readdirSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { openBrowser } from './cdp_pipe.mjs';

const [program, recording] = process.argv.slice(2);
const browser = ['/usr/bin/chromium', '/usr/bin/chromium-browser'].find(existsSync);
if (!browser) { console.log('chromium is not installed: skipped'); process.exit(77); }
const work = mkdtempSync(join(tmpdir(), 'listening-'));
process.on('exit', () => rmSync(work, { recursive: true, force: true }));
const made = spawnSync(program, ['-q', '-H', '-o', join(work, 'out'), recording], { encoding: 'utf8' });
if (made.status !== 0) { console.log(`no headphone renders here: ${made.stderr.trim()}: skipped`); process.exit(77); }

let failures = 0;
function check(ok, what) {
  if (!ok) { failures++; console.log(`FAILED: ${what}`); }
}
const near = (a, b, tolerance) => Math.abs(a - b) <= tolerance;
const csvRows = (file) => readFileSync(join(work, 'out', file), 'utf8').trim().split('\n').slice(1)
  .map((line) => line.match(/("[^"]*"|[^,]*)(,|$)/g).map((f) => f.replace(/,$/, '').replace(/^"|"$/g, '')));
const arrays = csvRows('arrays.csv').map((f) => ({ name: f[1], offset: Number(f[5]) }));
const labels = readFileSync(join(work, 'out/demo-1-blumlein.txt'), 'utf8').trim().split('\n').map((l) => l.split('\t'));
const [starts, ends] = [0, 1].map((column) => labels.map((l) => Number(l[column])));

const page = await openBrowser(browser, ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
  '--disable-background-networking', '--disable-component-update', '--disable-sync', `--user-data-dir=${join(work, 'profile')}`,
  '--autoplay-policy=no-user-gesture-required', '--disable-audio-output', '--window-size=1000,1000']);
const problems = [], requests = [];
page.on('Runtime.exceptionThrown', (e) => problems.push(e.exceptionDetails.exception?.description ?? e.exceptionDetails.text));
page.on('Runtime.consoleAPICalled', (e) => ['error', 'warning', 'assert'].includes(e.type) && problems.push(JSON.stringify(e.args)));
page.on('Log.entryAdded', (e) => e.entry.level === 'error' && problems.push(e.entry.text));
page.on('Network.requestWillBeSent', (e) => requests.push(e.request.url));
for (const domain of ['Page', 'Runtime', 'Log', 'Network']) await page.send(`${domain}.enable`);
const folder = `file://${work}/out/`;
async function open(address) {
  const loaded = new Promise((resolve) => page.on('Page.loadEventFired', resolve));
  await page.send('Page.navigate', { url: address });
  await loaded;
}
const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));
async function waitFor(expression, what) {
  for (let i = 0; i < 200; ++i, await sleep(25)) if (await page.evaluate(expression)) return true;
  check(false, `timed out waiting for ${what}`);
  return false;
}
const playing = () => page.evaluate(`[...document.querySelectorAll('audio')].filter((a) => !a.paused).map((a) => a.getAttribute('src'))`);
const timeNow = () => page.evaluate(`[...document.querySelectorAll('audio')].find((a) => !a.paused)?.currentTime ?? -1`);

// Without script the page still offers a plain player for every file, and no panel.
await page.send('Emulation.setScriptExecutionDisabled', { value: true });
await open(`${folder}report.html`);
check(await page.evaluate(`[...document.querySelectorAll('audio[controls]')].filter((a) => a.offsetWidth > 0).length`) === 12,
      'twelve plain players without script');
await page.send('Emulation.setScriptExecutionDisabled', { value: false });
await open('about:blank'); // else the next address, the same page with a #seed, would not load it again

// Every 'playing' event, and the time of each key, as the page sees them.
await open(`${folder}report.html#seed=1234`);
await page.evaluate(`window.seen = { playing: [] };
  for (const a of document.querySelectorAll('audio'))
    a.addEventListener('playing', () => seen.playing.push({ src: a.getAttribute('src'), at: performance.now(), time: a.currentTime }));
  window.addEventListener('keydown', () => { seen.key = performance.now();
    seen.before = [...document.querySelectorAll('audio')].find((a) => !a.paused)?.currentTime; }, true); 1`);
// The new element began within 50 ms of the old one's time at the key. By its 'playing' event it
// may have played on for at most the time since the key (a loaded machine delays the event).
const keptTime = (s) => s.time >= s.before - 0.05 && s.time - (s.at - s.key) / 1000 <= s.before + 0.05;
const slugs = ['1-blumlein', '2-cardioids', '3-faulkner', '4-ortf', '5-spaced-omnis', '6-tree'];

// Space starts the first array; twenty switches while it plays keep the time and one element playing.
await page.press(' ', 'Space', 32);
await waitFor(`seen.playing[0]?.src === 'demo-1-blumlein.wav'`, 'the first array to play');
await sleep(300);
const latencies = [];
for (let i = 0; i < 20; ++i) {
  const k = (i + 1) % 6, src = `demo-${slugs[k]}.wav`, before = await page.evaluate(`seen.playing.length`);
  await page.press(String(k + 1), `Digit${k + 1}`, 49 + k);
  if (!(await waitFor(`seen.playing.length > ${before}`, `array ${k + 1} to play`))) break;
  const s = await page.evaluate(`({ ...seen.playing.at(-1), key: seen.key, before: seen.before })`);
  latencies.push(s.at - s.key);
  check(s.src === src && keptTime(s), `switch ${i + 1} went on at ${s.time} from ${s.before} (${s.src})`);
  check(JSON.stringify(await playing()) === JSON.stringify([src]), `switch ${i + 1} leaves only ${src} playing`);
  await sleep(100);
}
// The envelope: a step for each of its 400 buckets, under the marks, as long as the renders.
const drawn = await page.evaluate(`(() => { const line = document.querySelector('#panel .timeline'), e = line.querySelector('svg.envelope');
  return [e.querySelector('path').getAttribute('d').match(/H/g).length, line.querySelector('svg.envelope ~ .mark') !== null,
          e.getBoundingClientRect().width - line.getBoundingClientRect().width]; })()`);
check(drawn[0] === 800 && drawn[1] && Math.abs(drawn[2]) <= 1, `the envelope as drawn: ${drawn}`);
latencies.sort((a, b) => a - b);
console.log(`the median switch, from the key to the new element's playing event: ${latencies[10]?.toFixed(1)} ms`);

// Jumps, paused so that the time stays where it landed: a position's button, the arrows, a sweep
// dot and a table row land on the label's start, the dot and the row in their own array.
await page.press(' ', 'Space', 32);
const landed = async (action, k, p, what) => {
  const time = await page.evaluate(`(() => { ${action};
    return document.querySelector('audio.chosen[data-array="${k}"]').currentTime; })()`);
  check(near(time, starts[p], 0.002), `${what}: array ${k + 1} at ${time}, not position ${p} at ${starts[p]}`);
};
const last = 20 % 6; // the array the switches ended on
await landed(`document.querySelectorAll('#positions button')[5].click()`, last, 5, 'position 5');
await page.press('ArrowRight', 'ArrowRight', 39);
await landed('', last, 6, '→');
await page.press('ArrowLeft', 'ArrowLeft', 37);
await landed('', last, 5, '←');
await landed(`document.querySelectorAll('circle.position')[2 * 13 + 7].dispatchEvent(new MouseEvent('click', { bubbles: true }))`, 2, 7, 'a dot');
await landed(`document.querySelectorAll('section.array')[4].querySelectorAll('tr')[3].click()`, 4, 2, 'a table row');
await page.press(' ', 'Space', 32);
check(JSON.stringify(await playing()) === JSON.stringify(['demo-5-spaced-omnis.wav']), 'Space plays the array of the row');
check((await page.evaluate(`document.querySelector('#panel .now').textContent`)).includes('position 2 · source −30.0° · predicted image '),
      'the position shown');

// Loop: from just before the position's end, the element comes back to its start.
await page.press('l', 'KeyL', 76);
await page.evaluate(`[...document.querySelectorAll('audio')].find((a) => !a.paused).currentTime = ${ends[2] - 0.15}`);
await sleep(600);
const looped = await timeNow();
check(looped >= starts[2] && looped < starts[2] + 0.5, `the loop came back to ${looped}, not ${starts[2]}`);
await page.press('l', 'KeyL', 76);

// Level matching: the louder arrays attenuated by their offsets' distance from the largest.
const volumes = () => page.evaluate(`[...document.querySelectorAll('audio[data-kind=loudspeakers]')].map((a) => a.volume)`);
await page.press('m', 'KeyM', 77);
const largest = Math.max(...arrays.map((a) => a.offset));
(await volumes()).forEach((v, k) => check(near(v, 10 ** ((arrays[k].offset - largest) / 20), 1e-9), `array ${k + 1}'s volume ${v}`));
check((await page.evaluate(`document.querySelector('#panel .state').textContent`)).includes('level-matched'), 'the state shown');
await page.press('m', 'KeyM', 77);
check((await volumes()).every((v) => v === 1), 'volumes back to 1');

// Headphones: the same moment, the headphone render of the same array, every source swapped.
for (const suffix of ['-headphones.wav', '.wav']) {
  const before = await page.evaluate(`seen.playing.length`);
  await page.press('h', 'KeyH', 72);
  await waitFor(`seen.playing.length > ${before}`, 'the headphone switch');
  const s = await page.evaluate(`({ ...seen.playing.at(-1), key: seen.key, before: seen.before })`);
  check(s.src === `demo-5-spaced-omnis${suffix}` && keptTime(s), `the headphone switch: ${s.src} at ${s.time}`);
  const chosen = await page.evaluate(`[...document.querySelectorAll('audio.chosen')].map((a) => a.getAttribute('src'))`);
  check(chosen.length === 6 && chosen.every((src) => src.endsWith(suffix) && (suffix !== '.wav' || !src.includes('headphones'))),
        `every array's source ends in ${suffix}: ${chosen}`);
  check((await playing()).length === 1, 'one element playing after the headphone switch');
}
if (process.env.AURALITH_SCREENSHOT) {
  const shot = await page.send('Page.captureScreenshot', { format: 'png' });
  writeFileSync(process.env.AURALITH_SCREENSHOT, Buffer.from(shot.data, 'base64'));
}

// The draws as the page makes them: mulberry32, and a Fisher–Yates shuffle from the top.
function mulberry32(a) {
  return () => {
    a = (a + 0x6d2b79f5) | 0;
    let t = Math.imul(a ^ (a >>> 15), 1 | a);
    t = (t + Math.imul(t ^ (t >>> 7), 61 | t)) ^ t;
    return ((t ^ (t >>> 14)) >>> 0) / 4294967296;
  };
}
function shuffled(count, draw) {
  const order = [...Array(count).keys()];
  for (let i = count - 1; i > 0; --i) {
    const j = Math.floor(draw() * (i + 1));
    [order[i], order[j]] = [order[j], order[i]];
  }
  return order;
}
const marked = () => page.evaluate(`[...document.querySelectorAll('#arrays button.on')].map((b) => b.textContent)
  .concat(document.querySelector('circle.marker').getAttribute('visibility') === 'visible' ? ['the marker'] : [])`);
const buttonTexts = () => page.evaluate(`[...document.querySelectorAll('#arrays button')].map((b) => b.textContent)`);
const text = (selector) => page.evaluate(`document.querySelector('${selector}').textContent`);
const press = (key) => page.press(key, key === ' ' ? 'Space' : /\d/.test(key) ? `Digit${key}` : `Key${key.toUpperCase()}`,
                                  key.toUpperCase().charCodeAt(0));
const plays = (src) => waitFor(`document.querySelector('audio[src="${src}"]').paused === false`, `${src} to play`);
const click = (...ids) => page.evaluate(ids.map((id) => `document.getElementById('${id}').click();`).join('') + '1');

// Blind, pressed while array 3 plays: nothing carries over. It goes on at the same moment with the
// array the seed draws after the shuffle (for 1234 array 2, while array 3 keeps its letter C), and
// marks no letter until one is chosen; no name is on the screen.
{
  const draw = mulberry32(1234), order = shuffled(6, draw), letter = Math.floor(draw() * 6), src = `demo-${slugs[order[letter]]}.wav`;
  check(order[letter] !== 2, 'the seed draws another array than the one playing');
  await press('3');
  await plays('demo-3-faulkner.wav');
  await page.evaluate(`seen.key = performance.now(); seen.before = document.querySelector('audio[src="demo-3-faulkner.wav"]').currentTime; 1`);
  await click('blind');
  await plays(src);
  // An element is unpaused when play() is called, and its playing event comes later: the longer,
  // the busier the machine.
  await waitFor(`seen.playing.at(-1)?.src === '${src}'`, `${src}'s playing event`);
  const s = await page.evaluate(`({ ...seen.playing.at(-1), key: seen.key, before: seen.before })`);
  check(s.src === src && keptTime(s) && (await playing()).join() === src, `Blind went on with ${s.src} at ${s.time} from ${s.before}`);
  check((await marked()).length === 0, `blind mode marks ${await marked()}`);
  const screen = await page.evaluate(`document.body.innerText`);
  check(arrays.every((a) => !screen.includes(a.name)) && screen.includes('Seed 1234'), 'blind mode hides every name');
  check((await buttonTexts()).join() === '1: A,2: B,3: C,4: D,5: E,6: F', 'the blind buttons');
  await press(String(letter + 1));
  check((await marked()).join() === `${letter + 1}: ${'ABCDEF'[letter]},the marker`, `the letter chosen: ${await marked()}`);
  await click('reveal');
  check((await page.evaluate(`document.body.innerText`)).includes(`A was ${order[0] + 1} ${arrays[order[0]].name}`), 'Reveal');
  await press(' ');
}

// ABX of Blumlein against the spaced omnis, 2.3 dB apart as rendered, M off: the test plays
// level-matched all the same (M changes nothing) and says so, loops position 4 where the listener
// put it, hides which array X is, and is answered with the keys A and B. X follows
// mulberry32(1235), A below one half; asked to vary, the positions follow mulberry32(1236).
{
  const draw = mulberry32(1235), answers = [...'AABABBABAA'], xs = answers.map(() => (draw() < 0.5 ? 'A' : 'B'));
  const right = xs.filter((x, i) => x === answers[i]).length;
  let tail = 0, binomial = 1;
  for (let i = 0; i <= 10; binomial = (binomial * (10 - i)) / (i + 1), ++i) if (i >= right) tail += binomial / 1024;
  const largest = Math.max(...arrays.map((a) => a.offset));
  const matched = async (what) => (await volumes()).forEach((v, k) =>
    check(near(v, 10 ** ((arrays[k].offset - largest) / 20), 1e-9), `${what}: array ${k + 1}'s volume ${v}`));
  await page.evaluate(`document.querySelectorAll('#positions button')[4].click();
    document.getElementById('abx-a').value = '0'; document.getElementById('abx-b').value = '4'; 1`);
  await click('abx-start');
  await plays('demo-1-blumlein.wav');
  await matched('ABX');
  await press('m');
  await matched('ABX, M pressed');
  check((await text('#abx-trial')) === 'Trial 1 at position 4 (source −15.0°), looped, level-matched: hearing A.', await text('#abx-trial'));
  await page.evaluate(`document.querySelector('audio[src="demo-1-blumlein.wav"]').currentTime = ${ends[4] - 0.15}`);
  await waitFor(`(t => t >= ${starts[4]} && t < ${ends[4] - 0.2})(document.querySelector('audio[src="demo-1-blumlein.wav"]').currentTime)`,
                'the loop back to the start of position 4');
  await click('hear-x');
  const x = xs[0] === 'A' ? 'demo-1-blumlein.wav' : 'demo-5-spaced-omnis.wav';
  await plays(x);
  check((await playing()).join() === x && (await marked()).length === 0 && !(await text('#panel .now')).includes('image'),
        'X alone plays, and nothing tells which array it is');
  for (const a of answers) await press(a.toLowerCase());
  check((await text('#abx-score')).startsWith(`${right} of 10 right`) && (await text('#abx-p')) === tail.toFixed(4), 'the score');
  await page.browserSend('Browser.setDownloadBehavior', { behavior: 'allow', downloadPath: work });
  await click('abx-save');
  for (let i = 0; i < 100 && !readdirSync(work).some((f) => f.endsWith('.csv')); ++i) await sleep(50);
  const saved = readdirSync(work).find((f) => f.endsWith('.csv'));
  const trials = saved ? readFileSync(join(work, saved), 'utf8').trim().split('\n').slice(1).map((l) => l.split(',')) : [];
  check(saved === 'abx-seed-1234.csv' && trials.length === 10, `the saved results ${saved}: ${trials.length} trials`);
  trials.forEach((t, i) => check(t.join() === [1234, i + 1, 4, '-15.0', '"1 Blumlein crossed pair"', '"5 Two spaced omnis"', xs[i],
                                               answers[i], Number(xs[i] === answers[i])].join(), `saved trial ${i + 1}: ${t}`));
  await click('abx-end');
  check((await volumes()).every((v) => v === 1), 'the levels as rendered after the test');
  await click('abx-vary', 'abx-start');
  const where = mulberry32(1236);
  for (let trial = 1; trial <= 4; ++trial, await press('b')) {
    const p = Math.floor(where() * 13);
    check((await text('#abx-trial')).startsWith(`Trial ${trial} at position ${p} `), `varied: ${await text('#abx-trial')}`);
  }
  await click('abx-end');
  check((await text('#panel .keys')).includes(' · H headphones · '), 'the key help names H in a run with -H');
}

// Twenty-eight arrays without -H: every one has a key, 1 to 9 at once and 0 then two digits from
// the tenth on, shown on its button and in the key help, which names no H; blind letters go on
// after Z as AA, AB. A seed that is not a whole number from 0 to 4294967295 is said to be unused.
{
  const list = ['1,2,3,4,5,6,xy,blumlein,nos,din,rai,ortf,ab40,ab60', ...[...Array(14).keys()].map((k) => `pair:cardioid:90:${k + 1}`)];
  const many = spawnSync(program, ['-q', '-o', join(work, 'many'), '-a', list.join(), recording], { encoding: 'utf8' });
  check(many.status === 0, `the run of 28 arrays: ${many.stderr}`);
  await open('about:blank');
  await open(`file://${work}/many/report.html#seed=1234`);
  check(!(await page.evaluate(`document.body.innerText`)).includes('No audio rendered'), 'audio rendered, and said so');
  const labels = (await buttonTexts()).map((b) => b.split(':')[0]);
  check(labels.join() === [...'123456789', ...[...Array(19).keys()].map((k) => `0${k + 10}`)].join(), `the buttons' keys: ${labels}`);
  const help = await text('#panel .keys');
  check(help.includes('1–9 an array · 0 then 2 digits the arrays from 10 on (0 1 0 the tenth)') && !help.includes(' H '), help);
  for (const [keys, array] of [['h 012', 11], ['3', 2], ['028', 27]]) { // H does nothing here, Space starts
    for (const key of keys) await press(key);
    await waitFor(`document.querySelector('audio[data-array="${array}"]').paused === false`, `keys ${keys}`);
    check((await page.evaluate(`[...document.querySelectorAll('audio')].filter((a) => !a.paused).length`)) === 1, `${keys}: one plays`);
  }
  for (const key of '099') await press(key);
  check((await text('#panel .message')) === 'There is no array 99.', 'a number past the last array');
  await press(' ');
  await click('blind');
  check((await buttonTexts()).slice(24).join() === '025: Y,026: Z,027: AA,028: AB', 'the letters after Z');
  for (const given of ['-5', 'abc', '4294967296', '12abc', '4294967295']) {
    await page.evaluate(`location.hash = 'seed=${given}'`);
    const note = given === '4294967295' ? '' : `The seed given, "${given}", was not used (a seed is a whole number from 0 to 4294967295)`;
    await waitFor(`document.querySelector('.seed-note').textContent.startsWith(${JSON.stringify(note)}) &&
                   document.querySelector('.seed-note').textContent.length > 0 === ${note.length > 0}`, `the note on the seed ${given}`);
  }
  check((await text('#panel')).includes('Seed 4294967295 ('), 'the largest seed taken');
}

check(problems.length === 0, `the console: ${problems.join(' | ')}`);
const outside = requests.filter((url) => !url.startsWith(folder) && !url.startsWith(`file://${work}/many/`) &&
                                         !/^(data:|about:blank$)/.test(url));
check(outside.length === 0, `requests outside the page's folder: ${outside}`);
await page.close();
console.log(failures ? `${failures} checks failed` : 'the listening panel works');
process.exit(failures ? 1 : 0);
