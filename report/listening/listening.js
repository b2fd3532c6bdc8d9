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
  // The blind letters as a spreadsheet's columns: A … Z, AA, AB …
  const letterOf = (i) => (i < 26 ? letters[i] : letterOf(Math.floor(i / 26) - 1) + letters[i % 26]);
  // Every array has a key: 1 to 9 the first nine, and from the tenth on 0 then its number in as
  // many digits as the last one's (0 1 2 the twelfth of twenty). No timing tells a 1 from the
  // start of a 12, so 1 to 9 switch at once however many arrays there are.
  const digits = String(arrays.length).length;
  const keyOf = (i) => (i < 9 ? String(i + 1) : '0' + String(i + 1).padStart(digits, '0'));

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
    typing: null, // the digits typed after 0, until an array's number is whole
    message: '',
  };

  // --- The seed, the draws and the guessing probability -------------------------------------------

  // The address's #seed=N when N is a seed, a whole number from 0 to 4294967295; else one drawn
  // now, and a note that the seed given was not used. It is shown, so that a run can be repeated.
  function seedOfAddress() {
    const given = new URLSearchParams(location.hash.slice(1)).get('seed');
    if (given !== null && /^\d+$/.test(given) && Number(given) <= 4294967295) return { seed: Number(given), note: '' };
    const drawn = crypto.getRandomValues(new Uint32Array(1))[0] % 1000000;
    return { seed: drawn, note: given === null ? '' : `The seed given, "${given}", was not used (a seed is a whole ` +
                                                       'number from 0 to 4294967295), so one was drawn.' };
  }
  let { seed, note: seedNote } = seedOfAddress();

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

  // In an ABX test the position jumped to is the trial's.
  function jump(p) {
    state.position = Math.max(0, Math.min(positions.length - 1, p));
    if (state.abx) state.abx.position = state.position;
    current().currentTime = positions[state.position].start;
    show();
  }

  function choose(k) {
    state.concealed = false; // an array chosen by the listener is no secret
    if (state.abx) state.abx.hearing = null;
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

  // Every 20 ms: the loop and the display follow the time.
  function tick() {
    const audio = current();
    const span = positions[state.position];
    if (state.loop && !audio.paused && audio.currentTime >= span.end) audio.currentTime = span.start;
    else if (!state.loop) state.position = positionAt(audio.currentTime);
    show();
  }

  // --- Blind and ABX ---------------------------------------------------------------------------------

  // Nothing carries over into blind mode: the array heard becomes one drawn from the seed's
  // generator after the shuffle, at the same moment, and no letter is marked until one is chosen.
  function goBlind() {
    const draw = generator(seed);
    state.order = shuffled(arrays.length, draw);
    const first = state.order[Math.floor(draw() * arrays.length)];
    state.blind = true;
    state.message = '';
    document.body.classList.add('blind');
    handOver(() => { state.heard = first; state.concealed = true; });
    build();
  }

  function reveal() {
    const was = state.order.map((k, i) => `${letterOf(i)} was ${arrays[k].key} ${arrays[k].name}`).join('; ');
    state.order = arrays.map((_, k) => k);
    state.blind = false;
    state.concealed = false;
    document.body.classList.remove('blind');
    build();
    say(`${was}.`);
  }

  // A test loops the position the listener put it at (or, asked to vary, one drawn for each trial
  // from mulberry32 seeded with the seed plus two) and plays level-matched, so that neither the
  // moment nor the level can give X away; the listener switches between A, B and X at will.
  function startAbx() {
    const [a, b] = ['abx-a', 'abx-b'].map((id) => state.order[Number(document.getElementById(id).value)]);
    if (a === b) return say('Choose two different arrays for ABX.');
    const before = state.abx?.before ?? { matched: state.matched, loop: state.loop };
    state.abx = { a, b, before, vary: document.getElementById('abx-vary').checked, draw: generator(seed + 1),
                  where: generator(seed + 2), trials: [], position: state.position, hearing: null };
    Object.assign(state, { matched: true, loop: true, message: '' });
    build();
    setVolumes();
    newTrial();
    start(current());
  }

  function endAbx() {
    const { before } = state.abx;
    state.abx = null;
    state.concealed = false;
    Object.assign(state, before);
    setVolumes();
    build();
  }

  function newTrial() {
    const abx = state.abx;
    abx.x = abx.draw() < 0.5 ? 'A' : 'B';
    hear('A');
    jump(abx.vary ? Math.floor(abx.where() * positions.length) : abx.position);
  }

  // The element heard is sought to the moment even when it stays the same (X the array just
  // heard), so that every switch makes the same break and none tells X by its lack of one.
  function hear(name) {
    const abx = state.abx, outgoing = current(), time = outgoing.currentTime;
    abx.hearing = name;
    state.heard = name === 'A' || (name === 'X' && abx.x === 'A') ? abx.a : abx.b;
    state.concealed = name === 'X';
    const incoming = current();
    incoming.currentTime = time;
    if (incoming !== outgoing && !outgoing.paused) {
      start(incoming);
      outgoing.pause();
    }
    show();
  }

  function answer(name) {
    const abx = state.abx;
    abx.trials.push({ position: abx.position, x: abx.x, answer: name });
    newTrial();
  }

  // Whether A and B play at matched levels: not where either has no loudness (a silent render).
  function matchedText(abx) {
    const key = state.headphones ? 'headphonesOffset' : 'offset';
    const unknown = [['A', abx.a], ['B', abx.b]].filter(([, k]) => arrays[k][key] === null).map(([n]) => n);
    return unknown.length ? `not level-matched: ${unknown.join(' and ')} has no loudness to match` : 'level-matched';
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
    state.order.forEach((k, i) => select.add(new Option(state.blind ? `array ${letterOf(i)}` : `${arrays[k].key} ${arrays[k].name}`, i)));
    select.value = String(Math.min(first, arrays.length - 1));
    select.addEventListener('change', () => select.blur()); // the keys are the panel's again
    return select;
  }

  // Where the sound is, under the positions' marks: the renders' loudest sample in each of a few
  // hundred stretches, drawn about the line's middle on a scale of 48 dB below the loudest, so that
  // a quiet passage shows beside a loud one. It spans the render's length on the marks' scale.
  const envelopeSeconds = data.envelope.frames / data.envelope.rate;
  function envelope() {
    const { peaks } = data.envelope, loudest = Math.max(1, ...peaks);
    const half = (peak) => 50 * Math.max(0, 1 + (20 * Math.log10(Math.max(peak, 1) / loudest)) / 48);
    const top = peaks.map((peak, b) => `V${(50 - half(peak)).toFixed(1)}H${b + 1}`).join('');
    const bottom = peaks.map((peak, b) => `V${(50 + half(peak)).toFixed(1)}H${b}`).reverse().join('');
    const drawing = document.createElementNS(svg.namespaceURI, 'svg');
    drawing.setAttribute('class', 'envelope');
    drawing.setAttribute('viewBox', `0 0 ${Math.max(1, peaks.length)} 100`);
    drawing.setAttribute('preserveAspectRatio', 'none');
    drawing.style.cssText = 'position:absolute;left:0;top:0;height:100%;pointer-events:none';
    const path = document.createElementNS(svg.namespaceURI, 'path');
    path.setAttribute('d', `M0 50${top}${bottom}Z`);
    path.setAttribute('fill', 'rgba(40,60,90,0.45)');
    drawing.append(path);
    return drawing;
  }

  function timeline() {
    const line = document.createElement('div');
    line.className = 'timeline';
    line.innerHTML = '<div class="played"></div>';
    line.append(envelope());
    for (let p = 0; p < positions.length; ++p) line.append(Object.assign(document.createElement('div'), { className: 'mark' }));
    line.addEventListener('click', (e) => {
      const box = line.getBoundingClientRect();
      current().currentTime = ((e.clientX - box.left) / box.width) * total();
      tick();
    });
    return line;
  }

  // Before the render's length is known: the sweep's blocks, or a stage's one sound as the envelope spans it.
  const total = () => (Number.isFinite(current().duration) ? current().duration
                       : positions.length > 1 ? positions.length * (positions[1].start - positions[0].start) : envelopeSeconds);

  function checkbox(id, label, checked) {
    const input = Object.assign(document.createElement('input'), { type: 'checkbox', id, checked });
    input.addEventListener('change', () => input.blur()); // the keys are the panel's again
    const wrapper = document.createElement('label');
    wrapper.append(input, ` ${label}`);
    return wrapper;
  }

  function keyHelp() {
    const keys = arrays.length <= 9 ? [`${arrays.length > 1 ? `1–${arrays.length}` : '1'} an array`]
      : ['1–9 an array', `0 then ${digits} digits the arrays from 10 on (${keyOf(9).split('').join(' ')} the tenth)`];
    return ['Keys: Space play or pause', ...keys, '← → the previous or next position', 'L loop the position',
            'M level-matched', ...(data.headphones ? ['H headphones'] : []), 'in an ABX test A “X is A”, B “X is B”']
      .join(' · ');
  }

  function build() {
    // The ABX choices as the listener made them (a test under way), or the first two arrays.
    const [first, second] = state.abx ? [state.abx.a, state.abx.b].map((k) => state.order.indexOf(k)) : [0, 1];
    panel.replaceChildren(
      row(button('Play / pause', togglePlay, 'play'), ' ', Object.assign(document.createElement('span'), { className: 'now' })),
      timeline(),
      Object.assign(row('Arrays: ', ...state.order.map((k, i) => button(`${keyOf(i)}: ${state.blind ? letterOf(i) : arrays[k].name}`,
                                                                        () => choose(k)))),
                    { id: 'arrays' }),
      Object.assign(data.stage ? row('Jump: ', button('to the sound\u2019s start', () => jump(0)))
                               : row('Positions: ', ...positions.map((_, p) => button(String(p), () => jump(p)))),
                    { id: 'positions' }),
      row(button('Loop position (L)', toggleLoop, 'loop'), button('Level-matched (M)', toggleMatched, 'matched'),
          ...(data.headphones ? [button('Headphones (H)', toggleHeadphones, 'headphones')] : []),
          state.blind ? button('Reveal', reveal, 'reveal') : button('Blind', goBlind, 'blind'),
          Object.assign(document.createElement('span'), { className: 'state' })),
      row('ABX: ', choice('abx-a', first), ' against ', choice('abx-b', second), ' ',
          checkbox('abx-vary', 'vary the position', state.abx?.vary ?? false), ' ', button('Start ABX', startAbx, 'abx-start')),
      ...(state.abx ? [abxControls()] : []),
      row(Object.assign(document.createElement('span'), { className: 'seed-note', textContent: seedNote }),
          `${seedNote ? ' ' : ''}Seed ${seed} (for the blind order and the ABX draws; set it with report.html#seed=N).`),
      Object.assign(row(), { className: 'message' }),
      row(Object.assign(document.createElement('span'), { className: 'keys', textContent: keyHelp() })));
    show();
  }

  const span = (id) => Object.assign(document.createElement('span'), { id });

  function abxControls() {
    return Object.assign(row(span('abx-trial'), ' ', ...['A', 'B', 'X'].map((x) => button(`Hear ${x}`, () => hear(x), `hear-${x.toLowerCase()}`)),
                             button('X is A (A)', () => answer('A'), 'x-is-a'), button('X is B (B)', () => answer('B'), 'x-is-b'),
                             ' ', span('abx-score'), ' ', span('abx-p'), ' ', button('Save results', saveResults, 'abx-save'),
                             button('End ABX', endAbx, 'abx-end')),
                         { id: 'abx' });
  }

  function showAbx(abx) {
    const right = abx.trials.filter((t) => t.x === t.answer).length, n = abx.trials.length;
    // A stage has one sound, where all its players play; the sweep a position for each source angle.
    const where = data.stage ? 'over the whole sound'
      : `at position ${abx.position} (source ${minus(positions[abx.position].source)}°)`;
    panel.querySelector('#abx-trial').textContent = `Trial ${n + 1} ${where}, looped, ${matchedText(abx)}` +
      `${abx.hearing ? `: hearing ${abx.hearing}` : ''}.`;
    panel.querySelector('#abx-score').textContent =
      `${right} of ${n} right; the chance of doing at least as well by guessing:`;
    panel.querySelector('#abx-p').textContent = guessingProbability(right, n).toFixed(4);
    panel.querySelectorAll('#abx [id^=hear-]').forEach((b) => b.classList.toggle('on', b.id === `hear-${abx.hearing?.toLowerCase()}`));
  }

  // The display follows the state: the time, the position, who is heard, the toggles.
  function show() {
    const audio = current(), p = state.position, heard = state.concealed ? -1 : state.heard;
    const image = state.blind || data.stage ? '' : ` · predicted image ${minus(arrays[state.heard].images[p])}°`;
    const where = data.stage ? 'the whole ensemble' : `position ${p} · source ${minus(positions[p].source)}°`;
    panel.querySelector('.now').textContent = `${clock(audio.currentTime)} · ${where}` +
      `${state.concealed ? '' : image}${audio.paused ? ' · paused' : ''}`;
    panel.querySelector('.played').style.width = `${(100 * audio.currentTime) / total()}%`;
    panel.querySelectorAll('.mark').forEach((m, i) => { m.style.left = `${(100 * positions[i].start) / total()}%`; });
    panel.querySelector('svg.envelope').style.width = `${(100 * envelopeSeconds) / total()}%`;
    panel.querySelectorAll('#arrays button').forEach((b, i) => b.classList.toggle('on', state.order[i] === heard));
    for (const [id, on] of [['loop', state.loop], ['matched', state.matched], ['headphones', state.headphones]])
      panel.querySelector(`#${id}`)?.classList.toggle('on', on);
    panel.querySelector('.state').textContent = ` ${state.headphones ? 'on headphones' : 'on loudspeakers'}` +
      `${state.matched ? ' · level-matched' : ''}${state.loop ? ' · looping' : ''}` +
      `${state.typing === null ? '' : ` · array 0${state.typing}…`}`;
    panel.querySelector('.message').textContent = state.message;
    // The elements the panel plays now, one per array: the test of the headphone switch reads them.
    const kindNow = state.headphones ? 'headphones' : 'loudspeakers';
    for (const [kind, list] of Object.entries(elements)) list.forEach((a) => a.classList.toggle('chosen', kind === kindNow));
    legends.forEach((g, k) => g.classList.toggle('heard', k === heard));
    sections.forEach((s, k) => s.classList.toggle('heard', k === heard));
    const dot = heard >= 0 && !data.stage ? dots[heard * positions.length + p] : null; // the dots are the sweep's
    marker.setAttribute('visibility', dot ? 'visible' : 'hidden');
    if (dot) for (const c of ['cx', 'cy']) marker.setAttribute(c, dot.getAttribute(c));
    if (state.abx) showAbx(state.abx);
  }

  function toggleLoop() {
    if (state.abx) return say('An ABX test loops its position: End ABX to play on.');
    state.loop = !state.loop;
    state.position = positionAt(current().currentTime);
    show();
  }

  function toggleMatched() {
    if (state.abx) return say('An ABX test always plays level-matched: End ABX to hear the levels as rendered.');
    state.matched = !state.matched;
    setVolumes();
  }

  const toggleHeadphones = () => handOver(() => { state.headphones = !state.headphones; });

  // --- Keys, clicks and the players' own events ------------------------------------------------------

  function keyAction(key) {
    if (/^[1-9]$/.test(key) && Number(key) <= arrays.length) return () => choose(state.order[Number(key) - 1]);
    const actions = {
      ' ': togglePlay, arrowleft: () => jump(state.position - 1), arrowright: () => jump(state.position + 1),
      l: toggleLoop, m: toggleMatched, h: data.headphones ? toggleHeadphones : null,
      a: state.abx ? () => answer('A') : null, b: state.abx ? () => answer('B') : null,
      0: arrays.length > 9 ? () => { state.typing = ''; show(); } : null,
    };
    return actions[key] ?? null;
  }

  // After 0, each digit adds to the array's number and the last one chooses it; any other key
  // gives the number up and does what it does.
  function typedAction(key) {
    if (!/^[0-9]$/.test(key)) {
      state.typing = null;
      show();
      return keyAction(key);
    }
    return () => {
      state.typing += key;
      if (state.typing.length < digits) return show();
      const n = Number(state.typing);
      state.typing = null;
      if (n >= 1 && n <= arrays.length) choose(state.order[n - 1]);
      else say(`There is no array ${n}.`);
    };
  }

  document.addEventListener('keydown', (e) => {
    if (e.ctrlKey || e.altKey || e.metaKey || /^(INPUT|SELECT|TEXTAREA)$/.test(e.target.tagName)) return;
    const key = e.key.toLowerCase();
    const action = state.typing === null ? keyAction(key) : typedAction(key);
    if (!action) return;
    e.preventDefault();
    action();
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
  window.addEventListener('hashchange', () => { ({ seed, note: seedNote } = seedOfAddress()); build(); });

  const marker = document.createElementNS(svg.namespaceURI, 'circle');
  marker.setAttribute('class', 'marker');
  marker.setAttribute('r', '7');
  svg.append(marker);
  build();
  setInterval(tick, 20);
});
