// The listening panel of report.html. The players in the table below it stream the renders from
// the files beside the page (a page opened from the disk may not read them with Web Audio, so
// media elements are what works on a double-click). The panel keeps one of them playing at a time
// and hands the time from one to the next on every switch, so that arrays, and loudspeakers and
// headphones, are compared at the same moment of the recording. It runs once the whole page, the
// curves and tables below it included, has been read.
document.addEventListener('DOMContentLoaded', () => {
  'use strict';
  const data = JSON.parse(document.getElementById('listening-data').textContent);
  const { arrays, positions } = data;
  const players = document.querySelector('.players');
  const elements = { loudspeakers: [], headphones: [] };
  for (const audio of players.querySelectorAll('audio')) elements[audio.dataset.kind][Number(audio.dataset.array)] = audio;
  players.hidden = true;
  const svg = document.querySelector('#curves svg');
  const dots = svg.querySelectorAll('circle.position');
  const legends = svg.querySelectorAll('g.legend');
  const sections = document.querySelectorAll('section.array');
  const letters = 'ABCDEFGHIJKLMNOPQRSTUVWXYZ';

  const state = {
    heard: 0, // the array being heard, as an index of `arrays`
    headphones: false,
    matched: false,
    loop: false,
    position: 0, // the position shown, and the one looped
    order: arrays.map((_, k) => k), // the arrays in the order of their buttons
    blind: false,
    concealed: false, // an ABX trial's X is playing: nothing may tell which array it is
    abx: null,
    message: '',
  };

  // --- The seed, the draws and the guessing probability -------------------------------------------

  // The address's #seed=N, else one drawn now; it is shown, so that a run can be repeated.
  function seedOfAddress() {
    const match = /seed=(\d+)/.exec(location.hash);
    return match ? Number(match[1]) >>> 0 : crypto.getRandomValues(new Uint32Array(1))[0] % 1000000;
  }
  let seed = seedOfAddress();

  // mulberry32: a small generator whose whole state is one 32-bit number, so that a seed repeats a run.
  function generator(start) {
    let a = start >>> 0;
    return () => {
      a = (a + 0x6d2b79f5) | 0;
      let t = Math.imul(a ^ (a >>> 15), 1 | a);
      t = (t + Math.imul(t ^ (t >>> 7), 61 | t)) ^ t;
      return ((t ^ (t >>> 14)) >>> 0) / 4294967296;
    };
  }

  function shuffled(count, draw) {
    const order = Array.from({ length: count }, (_, k) => k);
    for (let i = count - 1; i > 0; --i) {
      const j = Math.floor(draw() * (i + 1));
      [order[i], order[j]] = [order[j], order[i]];
    }
    return order;
  }

  // The one-sided probability of at least `right` of `trials` by guessing: sum of C(n, i) / 2^n.
  function guessingProbability(right, trials) {
    let term = 0.5 ** trials, sum = 0; // term = C(n, i) / 2^n, from i = 0 up
    for (let i = 0; i <= trials; ++i) {
      if (i >= right) sum += term;
      term = (term * (trials - i)) / (i + 1);
    }
    return Math.min(1, sum);
  }

  // --- Playing -------------------------------------------------------------------------------------

  const element = (k) => elements[state.headphones ? 'headphones' : 'loudspeakers'][k];
  const current = () => element(state.heard);
  const fileOf = (audio) => decodeURIComponent(audio.getAttribute('src'));

  function start(audio) {
    audio.play().catch((e) => {
      if (e.name !== 'AbortError') say(`${fileOf(audio)} cannot be played here: ${e.message}`);
    });
  }

  // Whatever `change` does to the state, the element it leaves to be heard continues from the
  // outgoing element's time, and is started before the outgoing one is paused.
  function handOver(change) {
    const outgoing = current();
    change();
    const incoming = current();
    if (incoming !== outgoing) {
      incoming.currentTime = outgoing.currentTime;
      if (!outgoing.paused) {
        start(incoming);
        outgoing.pause();
      }
    }
    show();
  }

  function togglePlay() {
    if (current().paused) start(current());
    else current().pause();
    show();
  }

  const positionAt = (time) => {
    let p = 0; // each position's block begins as long before its sound as the first one's does
    while (p + 1 < positions.length && time >= positions[p + 1].start - positions[0].start) ++p;
    return p;
  };

  function jump(p) {
    state.position = Math.max(0, Math.min(positions.length - 1, p));
    current().currentTime = positions[state.position].start;
    show();
  }

  function choose(k) {
    state.concealed = false; // an array chosen by the listener is no secret
    handOver(() => { state.heard = k; });
  }

  function setVolumes() {
    for (const [kind, key] of [['loudspeakers', 'offset'], ['headphones', 'headphonesOffset']]) {
      const offsets = arrays.map((a) => a[key]);
      const largest = Math.max(...offsets.filter((o) => o !== null));
      elements[kind].forEach((audio, k) => {
        // Level matching attenuates the louder arrays down to the quietest: an element cannot amplify.
        audio.volume = state.matched && offsets[k] !== null ? 10 ** ((offsets[k] - largest) / 20) : 1;
      });
    }
    show();
  }

  // Every 20 ms: the loop, the ABX sequence and the display follow the time.
  function tick() {
    const audio = current();
    const time = audio.currentTime;
    const span = positions[state.position];
    if (state.abx && state.abx.queue.length && !audio.paused && time >= span.end) nextInSequence();
    else if (state.loop && !audio.paused && time >= span.end) audio.currentTime = span.start;
    else if (!state.loop && !state.abx?.queue.length) state.position = positionAt(time);
    show();
  }

  // --- Blind and ABX ---------------------------------------------------------------------------------

  function goBlind() {
    state.order = shuffled(arrays.length, generator(seed));
    state.blind = true;
    state.message = '';
    document.body.classList.add('blind');
    build();
  }

  function reveal() {
    const was = state.order.map((k, i) => `${letters[i]} was ${arrays[k].key} ${arrays[k].name}`).join('; ');
    state.order = arrays.map((_, k) => k);
    state.blind = false;
    document.body.classList.remove('blind');
    build();
    say(`${was}.`);
  }

  function startAbx() {
    const [a, b] = ['abx-a', 'abx-b'].map((id) => state.order[Number(document.getElementById(id).value)]);
    if (a === b) return say('Choose two different arrays for ABX.');
    state.abx = { a, b, draw: generator(seed + 1), trials: [], queue: [] };
    build();
    newTrial();
  }

  function newTrial() {
    const abx = state.abx;
    abx.x = abx.draw() < 0.5 ? 'A' : 'B';
    abx.position = state.position;
    playSequence(['A', 'B', 'X']);
  }

  const arrayOfAbx = (name) => (name === 'A' || (name === 'X' && state.abx.x === 'A') ? state.abx.a : state.abx.b);

  // Plays the trial's position once for each of `names` ("A", "B", "X") in turn.
  function playSequence(names) {
    state.loop = false;
    state.abx.queue = names.slice();
    current().pause();
    nextInSequence(true);
  }

  function nextInSequence(first = false) {
    const abx = state.abx;
    if (!first) abx.queue.shift();
    if (!abx.queue.length) return current().pause();
    current().pause();
    state.heard = arrayOfAbx(abx.queue[0]);
    state.concealed = abx.queue[0] === 'X';
    jump(abx.position);
    start(current());
  }

  function answer(name) {
    const abx = state.abx;
    abx.trials.push({ position: abx.position, x: abx.x, answer: name });
    newTrial();
  }

  function resultsCsv() {
    const abx = state.abx;
    const named = (k) => `"${(arrays[k].key + ' ' + arrays[k].name).replace(/"/g, '""')}"`;
    const rows = abx.trials.map((t, i) => [seed, i + 1, t.position, positions[t.position].source, named(abx.a),
                                            named(abx.b), t.x, t.answer, t.x === t.answer ? 1 : 0].join(','));
    return ['seed,trial,position,source_deg,a,b,x,answer,correct', ...rows].join('\n') + '\n';
  }

  function saveResults() {
    const link = document.createElement('a');
    link.href = 'data:text/csv;charset=utf-8,' + encodeURIComponent(resultsCsv());
    link.download = `abx-seed-${seed}.csv`;
    document.body.append(link);
    link.click();
    link.remove();
  }

  // --- The panel ---------------------------------------------------------------------------------------

  const panel = document.getElementById('panel');
  const minus = (text) => text.replace('-', '\u2212');
  const clock = (t) => `${Math.floor(t / 60)}:${(t % 60).toFixed(1).padStart(4, '0')}`;

  function say(text) {
    state.message = text;
    show();
  }

  function button(label, action, id) {
    const b = document.createElement('button');
    b.type = 'button';
    b.textContent = label;
    if (id) b.id = id;
    b.addEventListener('click', () => { b.blur(); action(); });
    return b;
  }

  function row(...children) {
    const p = document.createElement('p');
    p.append(...children);
    return p;
  }

  function choice(id, first) {
    const select = document.createElement('select');
    select.id = id;
    state.order.forEach((k, i) => select.add(new Option(state.blind ? `array ${letters[i]}` : `${arrays[k].key} ${arrays[k].name}`, i)));
    select.value = String(Math.min(first, arrays.length - 1));
    select.addEventListener('change', () => select.blur()); // the keys are the panel's again
    return select;
  }

  function timeline() {
    const line = document.createElement('div');
    line.className = 'timeline';
    line.innerHTML = '<div class="played"></div>';
    for (let p = 0; p < positions.length; ++p) line.append(Object.assign(document.createElement('div'), { className: 'mark' }));
    line.addEventListener('click', (e) => {
      const box = line.getBoundingClientRect();
      current().currentTime = ((e.clientX - box.left) / box.width) * total();
      tick();
    });
    return line;
  }

  const total = () => (Number.isFinite(current().duration) ? current().duration
                                                             : positions.length * (positions[1].start - positions[0].start));

  function build() {
    // The ABX choices as the listener made them (a test under way), or the first two arrays.
    const [first, second] = state.abx ? [state.abx.a, state.abx.b].map((k) => state.order.indexOf(k)) : [0, 1];
    panel.replaceChildren(
      row(button('Play / pause', togglePlay, 'play'), ' ', Object.assign(document.createElement('span'), { className: 'now' })),
      timeline(),
      Object.assign(row('Arrays: ', ...state.order.map((k, i) => button(`${i + 1}: ${state.blind ? letters[i] : arrays[k].name}`,
                                                                        () => choose(k)))),
                    { id: 'arrays' }),
      Object.assign(row('Positions: ', ...positions.map((_, p) => button(String(p), () => jump(p)))), { id: 'positions' }),
      row(button('Loop position (L)', toggleLoop, 'loop'), button('Level-matched (M)', toggleMatched, 'matched'),
          ...(data.headphones ? [button('Headphones (H)', toggleHeadphones, 'headphones')] : []),
          state.blind ? button('Reveal', reveal, 'reveal') : button('Blind', goBlind, 'blind'),
          Object.assign(document.createElement('span'), { className: 'state' })),
      row('ABX: ', choice('abx-a', first), ' against ', choice('abx-b', second), ' ', button('Start ABX', startAbx, 'abx-start')),
      ...(state.abx ? [abxControls()] : []),
      row(`Seed ${seed} (for the blind order and the ABX draws; set it with report.html#seed=N).`),
      Object.assign(row(), { className: 'message' }),
      row(Object.assign(document.createElement('span'), {
        className: 'keys',
        textContent: 'Keys: Space play or pause · 1–9 an array · ← → the previous or next position · ' +
                     'L loop the position · M level-matched · H headphones',
      })));
    show();
  }

  const span = (id) => Object.assign(document.createElement('span'), { id });

  function abxControls() {
    return Object.assign(row(span('abx-trial'), ' ', button('Play A, B, X', () => playSequence(['A', 'B', 'X'])),
                             ...['A', 'B', 'X'].map((x) => button(`Play ${x}`, () => playSequence([x]))),
                             button('X is A', () => answer('A'), 'x-is-a'), button('X is B', () => answer('B'), 'x-is-b'),
                             ' ', span('abx-score'), ' ', span('abx-p'), ' ', button('Save results', saveResults, 'abx-save')),
                         { id: 'abx' });
  }

  function showAbx(abx) {
    const right = abx.trials.filter((t) => t.x === t.answer).length, n = abx.trials.length;
    panel.querySelector('#abx-trial').textContent =
      `Trial ${n + 1} at position ${abx.position}${abx.queue.length ? `, playing ${abx.queue[0]}` : ''}:`;
    panel.querySelector('#abx-score').textContent =
      `${right} of ${n} right; the chance of doing at least as well by guessing:`;
    panel.querySelector('#abx-p').textContent = guessingProbability(right, n).toFixed(4);
  }

  // The display follows the state: the time, the position, who is heard, the toggles.
  function show() {
    const audio = current(), p = state.position, heard = state.concealed ? -1 : state.heard;
    const image = state.blind ? '' : ` · predicted image ${minus(arrays[state.heard].images[p])}°`;
    panel.querySelector('.now').textContent = `${clock(audio.currentTime)} · position ${p} · source ` +
      `${minus(positions[p].source)}°${state.concealed ? '' : image}${audio.paused ? ' · paused' : ''}`;
    panel.querySelector('.played').style.width = `${(100 * audio.currentTime) / total()}%`;
    panel.querySelectorAll('.mark').forEach((m, i) => { m.style.left = `${(100 * positions[i].start) / total()}%`; });
    panel.querySelectorAll('#arrays button').forEach((b, i) => b.classList.toggle('on', state.order[i] === heard));
    for (const [id, on] of [['loop', state.loop], ['matched', state.matched], ['headphones', state.headphones]])
      panel.querySelector(`#${id}`)?.classList.toggle('on', on);
    panel.querySelector('.state').textContent = ` ${state.headphones ? 'on headphones' : 'on loudspeakers'}` +
      `${state.matched ? ' · level-matched' : ''}${state.loop ? ' · looping' : ''}`;
    panel.querySelector('.message').textContent = state.message;
    // The elements the panel plays now, one per array: the test of the headphone switch reads them.
    const kindNow = state.headphones ? 'headphones' : 'loudspeakers';
    for (const [kind, list] of Object.entries(elements)) list.forEach((a) => a.classList.toggle('chosen', kind === kindNow));
    legends.forEach((g, k) => g.classList.toggle('heard', k === heard));
    sections.forEach((s, k) => s.classList.toggle('heard', k === heard));
    const dot = heard >= 0 ? dots[heard * positions.length + p] : null;
    marker.setAttribute('visibility', dot ? 'visible' : 'hidden');
    if (dot) for (const c of ['cx', 'cy']) marker.setAttribute(c, dot.getAttribute(c));
    if (state.abx) showAbx(state.abx);
  }

  const toggleLoop = () => { state.loop = !state.loop; state.position = positionAt(current().currentTime); show(); };
  const toggleMatched = () => { state.matched = !state.matched; setVolumes(); };
  const toggleHeadphones = () => handOver(() => { state.headphones = !state.headphones; });

  // --- Keys, clicks and the players' own events ------------------------------------------------------

  document.addEventListener('keydown', (e) => {
    if (e.ctrlKey || e.altKey || e.metaKey || /^(INPUT|SELECT|TEXTAREA)$/.test(e.target.tagName)) return;
    const key = e.key.toLowerCase();
    const actions = {
      ' ': togglePlay, arrowleft: () => jump(state.position - 1), arrowright: () => jump(state.position + 1),
      l: toggleLoop, m: toggleMatched, h: data.headphones ? toggleHeadphones : null,
    };
    const digit = /^[1-9]$/.test(key) ? Number(key) - 1 : -1;
    if (digit >= 0 && digit < arrays.length) actions[key] = () => choose(state.order[digit]);
    if (!actions[key]) return;
    e.preventDefault();
    actions[key]();
  });
  dots.forEach((dot, i) => dot.addEventListener('click', () => {
    choose(Math.floor(i / positions.length));
    jump(i % positions.length);
  }));
  sections.forEach((s, k) => s.querySelectorAll('tr').forEach((tr, i) => i > 0 && tr.addEventListener('click', () => {
    choose(k);
    jump(i - 1);
  })));
  for (const audio of players.querySelectorAll('audio')) {
    audio.addEventListener('error', () => say(`${fileOf(audio)} cannot be played: is it still beside the page?`));
    audio.addEventListener('ended', show);
  }
  window.addEventListener('hashchange', () => { seed = seedOfAddress(); build(); });

  const marker = document.createElementNS(svg.namespaceURI, 'circle');
  marker.setAttribute('class', 'marker');
  marker.setAttribute('r', '7');
  svg.append(marker);
  build();
  setInterval(tick, 20);
});
