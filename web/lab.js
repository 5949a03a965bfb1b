// The page's Lab tab: the program's core and picture driven by controls, every
// change shown at once; shareable scenarios in the page's address, time plots,
// exports, and the scripting surface window.agvsim.lab.
//
// The lab runs its own instance of the program (agvsim.js, whose main never
// runs there), so nothing done here reaches the Program tab. Settings are
// applied with the core's settings path as the console dialog applies them
// (web/lab.cpp), refused by the core's own checks. An update (the settings,
// the shown mechanism's two runs, the picture, the figures and the plots) runs
// at most once an animation frame, for the latest change; the other runs and
// the loop analysis's path limits follow once the input has been idle.
// The panel under the picture is the time plots (plots.js), the z-plane
// (zplane.js) or the frequency response (frequency.js), their loop analysis
// read by loops.js: the poles at Ts are recomputed at every update, the locus
// on the line by the report's route at once and by the model's route in idle
// slices, as the sentences per mechanism. Kept sets and the three mechanisms'
// view are compare.js's, painted over each frame of the picture. The link's
// extra keys (lock, hide, lang, task) and the link maker are links.js's; the
// sliders' keys, value texts, the marks in words and the results region
// access.js's; the help dialog help.js's. The settings' defaults, ranges,
// scenarios and reading are settings.js's, the words lab_texts.js's, the
// start point's drag and the picture's keys picture_input.js's, the CSV rows
// and downloads exports.js's, the gains and loop tables figures.js's.
// Units: fn [Hz], Ts [s], x and y [m], the heading th [deg] here (radians in
// the core).
(function () {
  'use strict';

  const MECHANISMS = ['2DW1C', '1FDW1FS', '1RDW1FS'];
  const CONTROLLERS = ['continuous', 'sampled'];
  const { FIELDS, MAX_RECORDS } = window.AgvsimRecords;
  const GAIN_NAMES = ['kdPI1', 'kthPI1', 'kiPI1', 'kd2', 'kth2', 'kph2', 'kd3', 'kth3', 'kph3'];
  const IDLE_MS = 150; // [ms] input idle before the path limits
  // [s] the largest Ts whose loop radius is computed: the limit searches' bound (the radius
  // integrates eight sampling periods, so its cost grows with Ts)
  const TS_SEARCH_LIMIT = 100;
  // web/lab.cpp's agvLabAddress, in its order.
  const ADDRESS = ['contTraj', 'contErr', 'sampTraj', 'sampErr', 'sampCommand', 'nPointsPC', 'nPointsPI',
    'loopFigures', 'Tsmax', 'gains', 'fn', 'zeta', 'Ts', 'wn', 'dt', 'stepsPerSample', 'agvType', 'pathType',
    'x0', 'y0', 'th0', 'animIndexPC', 'animIndexPI', 'animSampleK', 'viewScale', 'viewPanX', 'viewPanY',
    'phasePlaneX', 'phasePlaneY', 'polesAtTs', 'mappedAtTs', 'locusTs', 'locusPoles', 'locusLargest', 'locusCrossing',
    'frequencyOmega', 'frequencyResponse', 'margins', 'budget'];
  const PANEL_PARTS = { time: 'plots', poles: 'poles', frequency: 'frequency' }; // links.js's names of the panels

  const { PATHS, PANELS, DEFAULTS, NUMBERS, LOG_STEPS, SCENARIOS, toSlider, fromSlider } = window.AgvsimSettings;
  const TEXTS = window.AgvsimLabTexts;

  const $ = (id) => document.getElementById(id);
  const lab = {
    module: null,
    address: {},
    settings: Object.assign({}, DEFAULTS),
    applied: null, // the settings the core holds
    lang: (navigator.language || 'en').toLowerCase().startsWith('ja') ? 'ja' : 'en',
    notes: [],
    time: 0, // [s] the animation's time
    playing: false,
    speed: 1,
    frameRequested: false,
    waiting: [], // resolvers of set(): resolved after the next update
    idleTimer: null,
    limits: null, // the path limits of the current design, by path
    allRuns: false, // all six runs are those of the current settings
    picture: null,
    plots: null,
    zplane: null,
    frequency: null,
    loops: null, // the loop analysis (loops.js), once the program has started
    compare: null, // the kept sets and the three mechanisms (compare.js), likewise
    access: null, // the sliders' keys and the words for screen readers (access.js), likewise
    links: null, // the link's extra keys and the link maker (links.js)
    help: null, // the help dialog (help.js)
    figuresKey: null, // what the figures were last rendered for
    controls: {},
  };

  const texts = () => TEXTS[lab.lang];

  // ---- The program's memory ----------------------------------------------

  function heapF64(address, count) {
    return lab.module.HEAPF64.subarray(address >> 3, (address >> 3) + count);
  }
  const int = (name) => lab.module.HEAP32[lab.address[name] >> 2];
  const dbl = (name) => lab.module.HEAPF64[lab.address[name] >> 3];
  const three = (name, read) => [0, 1, 2].map((k) => read(lab.address[name] + 4 * (read === readInt ? 1 : 2) * k));
  const readInt = (address) => lab.module.HEAP32[address >> 2];
  const readDouble = (address) => lab.module.HEAPF64[address >> 3];

  const records = window.AgvsimRecords.reader({ heapF64, readInt, int, dbl, address: (name) => lab.address[name] });
  const runRecords = records.copy; // fresh arrays: kept, exported
  // The loop's spectral radius of mechanism index i at the applied Ts on the applied path.
  const radius = (i) => (lab.applied.Ts <= TS_SEARCH_LIMIT ? lab.module._agvLabRadius(i, PATHS.indexOf(lab.applied.path), lab.applied.Ts) : NaN);

  function design() {
    const g = heapF64(lab.address.gains, 9);
    const figures = heapF64(lab.address.loopFigures, 33);
    const loops = {};
    MECHANISMS.forEach((m, i) => {
      loops[m] = {
        a: Array.from(figures.subarray(11 * i, 11 * i + 5)), B: Array.from(figures.subarray(11 * i + 5, 11 * i + 10)),
        C: figures[11 * i + 10], stable: !!lab.module._agvLabStable(i), Tsmax: three('Tsmax', readDouble)[i],
        designed: !!lab.module._agvLabDesigned(i),
      };
    });
    const gains = {};
    GAIN_NAMES.forEach((name, k) => { gains[name] = g[k]; });
    return { fn: dbl('fn'), zeta: dbl('zeta'), Ts: dbl('Ts'), wn: dbl('wn'), gains, loops };
  }

  // ---- Settings -----------------------------------------------------------

  // Takes the given settings as the controls would; returns the refusals.
  function take(given, link) {
    const core = lab.module;
    return window.AgvsimSettings.take(lab.settings, given, link, { texts: texts(), accepts: {
      fn: (v) => !!core._agvLabAcceptsFn(v), zeta: (v) => !!core._agvLabAcceptsZeta(v), Ts: (v) => !!core._agvLabAcceptsTs(v) } });
  }

  // The settings a link has locked, as [key, value] pairs: kept by Reset all and the scenarios.
  const lockedSettings = () => Object.keys(DEFAULTS).filter(lab.links.locked).map((k) => [k, lab.settings[k]]);

  function showRefusals(refused, link) {
    const t = texts();
    lab.notes = refused.map(([k, v, why]) => (link ? t.refusedLink : t.refused)(k, lab.links.echo(v), why));
    renderNotes();
  }

  // ---- Updates ------------------------------------------------------------

  function requestUpdate() {
    if (lab.frameRequested || lab.module === null) return;
    lab.frameRequested = true;
    requestAnimationFrame(update);
  }

  function update() {
    lab.frameRequested = false;
    const s = lab.settings, core = lab.module, before = lab.applied || {};
    core._agvLabSetPath(PATHS.indexOf(s.path));
    core._agvLabSetMechanism(s.mechanism);
    core._agvLabSetFrequency(s.fn, s.zeta);
    core._agvLabSetSamplingTime(s.Ts);
    core._agvLabSetPose(s.x, s.y, s.th);
    if (before.fn !== s.fn || before.zeta !== s.zeta) lab.limits = null;
    lab.applied = Object.assign({}, s);
    lab.allRuns = false;
    core._agvLabRunShown();
    lab.time = Math.min(lab.time, endTime());
    core._agvLabSetTime(lab.time);
    core._agvLabDraw();
    lab.loops.changed();
    drawPanel();
    renderControls();
    renderFigures();
    const waiting = lab.waiting;
    lab.waiting = [];
    waiting.forEach((resolve) => resolve());
    clearTimeout(lab.idleTimer);
    lab.idleTimer = setTimeout(() => {
      writeLink(); // once the input rests: browsers throttle rewrites of the address
      idleWork();
    }, IDLE_MS);
  }

  // Once the input rests, a task at a time so that input is taken between them: the sentences (three
  // poles by the model), the shown locus by the model when the z-plane is shown (a slice a task, then
  // its crossing), and the path limits (tens of milliseconds at the defaults, growing as 1 / fn), one
  // mechanism on one path a task.
  function idleWork() {
    if (lab.limits === null) lab.limits = {};
    const path = PATHS.find((p) => !(p in lab.limits) || lab.limits[p].length < MECHANISMS.length);
    if (lab.loops.speakPending()) {
      lab.access.speak(lab.applied, lab.lang);
      lab.loops.speak(lab.applied, lab.lang);
    } else if (lab.settings.panel === 'poles' && lab.loops.locusPending(lab.applied)) {
      lab.loops.locusSlice(lab.applied);
      drawPanel();
    } else if (path !== undefined) {
      const found = lab.limits[path] || (lab.limits[path] = []);
      found.push(lab.module._agvLabPathLimit(found.length, PATHS.indexOf(path)));
      if (found.length === MECHANISMS.length) renderFigures();
    } else return;
    lab.idleTimer = setTimeout(idleWork, 0);
  }

  const limitsKnown = () => lab.limits !== null && PATHS.every((p) => p in lab.limits && lab.limits[p].length === MECHANISMS.length);

  function ensureLimits() {
    clearTimeout(lab.idleTimer);
    while (!limitsKnown()) idleWork();
    clearTimeout(lab.idleTimer);
    lab.idleTimer = setTimeout(idleWork, 0); // what the idle work has left (the sentences, the locus)
  }

  function ensureAllRuns() {
    if (lab.allRuns) return;
    lab.module._agvLabRunAll();
    lab.module._agvLabSetTime(lab.time);
    lab.allRuns = true;
  }

  function endTime() {
    const i = lab.settings.mechanism - 1;
    const last = (name) => Math.min(Math.max(three(name, readInt)[i] + 1, 0), MAX_RECORDS - 1);
    return Math.max(last('nPointsPC'), last('nPointsPI')) * dbl('dt');
  }

  // ---- Rendering ----------------------------------------------------------

  // The chosen panel shown and drawn, the others hidden.
  function drawPanel() {
    if (lab.applied === null) return; // before the first update
    const panel = lab.settings.panel;
    // Written only when changed: the plots read their canvas's size next, which would lay the page out again.
    [['lab-plots', 'time'], ['lab-zplane-panel', 'poles'], ['lab-frequency', 'frequency']].forEach(([id, p]) => {
      if ($(id).hidden !== (panel !== p)) $(id).hidden = panel !== p;
    });
    PANELS.forEach((p) => {
      if ($('lab-panel-' + p).getAttribute('aria-pressed') !== String(p === panel)) $('lab-panel-' + p).setAttribute('aria-pressed', String(p === panel));
    });
    if (lab.links.hidden(PANEL_PARTS[panel])) return;
    if (panel === 'time') drawPlots();
    else if (panel === 'poles') lab.zplane.draw(Object.assign(lab.loops.zplaneData(lab.applied), { kept: lab.compare.zplaneKept() }), lab.lang);
    else lab.frequency.draw(lab.loops.frequencyData(lab.applied), lab.lang);
  }

  function drawPlots() {
    if (lab.settings.panel !== 'time' || lab.links.hidden('plots')) return;
    const i = lab.settings.mechanism - 1;
    const d = design();
    lab.plots.draw({ mechanism: i + 1, gains: d.gains, continuous: records.view(i, 'continuous'),
      sampled: records.view(i, 'sampled'), time: lab.time, kept: lab.compare.plotsKept() }, texts());
  }

  // The figures (figures.js) depend on the design, Ts, the path, its limits and the language only: redrawn when one changes.
  function renderFigures() {
    if (lab.applied === null) return; // before the first update
    const path = lab.settings.path;
    const limits = lab.limits && lab.limits[path] && lab.limits[path].length === MECHANISMS.length ? lab.limits[path] : null;
    const key = [lab.applied.fn, lab.applied.zeta, lab.applied.Ts, path, limits !== null, lab.lang].join();
    if (key === lab.figuresKey) return;
    lab.figuresKey = key;
    const d = design();
    window.AgvsimFigures.render({ design: d, limits, texts: texts(), tsControl: NUMBERS.find((n) => n.key === 'Ts'), toSlider,
      steps: LOG_STEPS, radius,
      marksText: (list) => lab.access.marksText(list, lab.lang) });
  }

  function renderControls() {
    const s = lab.settings;
    NUMBERS.forEach((control) => {
      const c = lab.controls[control.key];
      const position = String(toSlider(control, s[control.key])), said = lab.access.valueText(control.key, s[control.key], lab.lang);
      if (c.slider.value !== position) c.slider.value = position;
      if (c.slider.getAttribute('aria-valuetext') !== said) c.slider.setAttribute('aria-valuetext', said);
      if (document.activeElement !== c.field && c.field.value !== String(s[control.key])) c.field.value = String(s[control.key]);
    });
    lab.controls.path.value = s.path;
    lab.controls.mechanism.value = String(s.mechanism);
    const t = texts(), shownScenario = window.AgvsimSettings.scenarioOf(s), first = lab.controls.scenario.options[0];
    const named = shownScenario === null ? t.scenario + '…' : `${t.scenario}: ${t.scenarios[shownScenario]}`;
    if (first.textContent !== named) first.textContent = named;
    $('lab-undesigned').hidden = s.zeta !== 0;
    const end = endTime();
    const slider = $('lab-time'), shown = lab.time.toFixed(2);
    if (slider.max !== String(end)) slider.max = String(end);
    if (slider.value !== String(lab.time)) slider.value = String(lab.time);
    if ($('lab-time-value').textContent !== shown) {
      $('lab-time-value').textContent = shown;
      slider.setAttribute('aria-valuetext', lab.access.valueText('t', Number(shown), lab.lang));
    }
  }

  function renderNotes() {
    $('lab-notes').textContent = lab.notes.join('\n');
  }

  function renderTexts() {
    const t = texts();
    document.querySelectorAll('[data-text]').forEach((e) => { e.textContent = t[e.dataset.text]; });
    // The page speaks the chosen language: its lang, and texts kept in both languages (the Program tab's hints).
    document.documentElement.lang = lab.lang;
    document.querySelectorAll('[data-lang]').forEach((e) => { e.hidden = e.dataset.lang !== lab.lang; });
    const select = lab.controls.scenario;
    select.innerHTML = `<option value="">${t.scenario}…</option>`
      + SCENARIOS.map((sc) => `<option value="${sc.id}" id="lab-scenario-${sc.id}">${t.scenarios[sc.id]}</option>`).join('');
    lab.controls.path.innerHTML = PATHS.map((p) => `<option value="${p}">${t[p]}</option>`).join('');
    $('lab-play').textContent = lab.playing ? t.pause : t.play;
    lab.links.renderTexts();
    lab.help.renderTexts();
    if (lab.module !== null) {
      $('lab-time-value').textContent = ''; // its value text again, in the language
      renderControls();
      renderFigures();
      drawPanel();
      lab.access.speak(lab.applied, lab.lang);
      lab.loops.renderSentences(lab.lang);
      lab.compare.renderTexts(lab.lang);
    }
  }

  // ---- The address --------------------------------------------------------

  function link() {
    return settingsLink() + lab.links.fragment();
  }

  const settingsLink = () => window.AgvsimSettings.fragmentOf(lab.settings);

  function writeLink() {
    if (location.hash !== link()) history.replaceState(null, '', link());
  }

  // Settings from an address's fragment: missing ones take their defaults, refused ones too.
  function readLink(hash) {
    const given = window.AgvsimSettings.parseFragment(hash);
    lab.settings = Object.assign({}, DEFAULTS);
    const extras = lab.links.read(given);
    if (extras.lang !== null && extras.lang !== lab.lang) {
      lab.lang = extras.lang;
      $('lab-language').value = lab.lang;
      renderTexts();
    }
    showRefusals(extras.refused.concat(take(given, true)), true);
  }

  // ---- Exports ------------------------------------------------------------

  function csv(options) { // options.kept: with the kept sets (compare.js); the settings' lines first
    ensureAllRuns();
    const E = window.AgvsimExports, lines = [E.header(['mechanism', 'controller'], FIELDS, lab.applied.path)];
    MECHANISMS.forEach((m, i) => CONTROLLERS.forEach((c) => lines.push(...E.runRows([m, c], runRecords(i, c), c, FIELDS))));
    const text = lines.join('\n') + '\n';
    return E.settingsLines(lab.applied, MECHANISMS).join('\n') + '\n' + (options && options.kept ? lab.compare.csv(text) : text);
  }

  function results() {
    ensureAllRuns();
    ensureLimits();
    const runs = {};
    MECHANISMS.forEach((m, i) => CONTROLLERS.forEach((c) => {
      const run = runRecords(i, c), out = {};
      for (const [k, v] of Object.entries(run)) out[k] = Array.from(v);
      runs[m + '/' + c] = out;
    }));
    const limits = {};
    PATHS.forEach((p) => { limits[p] = Object.fromEntries(MECHANISMS.map((m, i) => [m, lab.limits[p][i]])); });
    return Object.assign({ design: design(), limits, dt: dbl('dt'), stepsPerSample: int('stepsPerSample'), runs },
      lab.loops.results(lab.applied), { kept: lab.compare.results() }); // poles, locus and margins; the kept sets
  }

  // ---- Input --------------------------------------------------------------

  function change(given) {
    given = Object.fromEntries(Object.entries(given).filter(([key]) => !lab.links.locked(key)
      && !(key === 'pose' && ['x', 'y', 'th'].some(lab.links.locked))));
    showRefusals(take(given, false), false);
    requestUpdate();
  }

  // The view as a run leaves it; Reset all: the settings (locked ones as the link has them), view, time and address.
  function resetView() {
    if (lab.module === null) return;
    lab.module._agvLabResetView();
    lab.module._agvLabDraw();
  }

  function resetAll() {
    if (lab.module === null) return;
    if (lab.playing) play();
    const locked = lockedSettings();
    lab.settings = Object.assign({}, DEFAULTS, Object.fromEntries(locked));
    lab.time = 0;
    lab.controls.scenario.value = '';
    lab.module._agvLabResetView();
    lab.notes = [];
    renderNotes();
    requestUpdate();
    history.replaceState(null, '', link());
  }

  function play() {
    lab.playing = !lab.playing;
    $('lab-play').textContent = lab.playing ? texts().pause : texts().play;
    if (!lab.playing) {
      lab.access.sayTime(lab.time, lab.lang);
      return;
    }
    if (lab.time >= endTime()) lab.time = 0;
    let last = performance.now();
    const step = (now) => {
      if (!lab.playing) return;
      lab.time = Math.min(lab.time + ((now - last) / 1000) * lab.speed, endTime());
      last = now;
      lab.module._agvLabSetTime(lab.time);
      lab.module._agvLabDraw();
      drawPlots();
      renderControls();
      if (lab.time >= endTime()) play();
      else requestAnimationFrame(step);
    };
    requestAnimationFrame(step);
  }

  function buildControls() {
    $('lab-controls').innerHTML = window.AgvsimSettings.controlsMarkup(MECHANISMS);
    NUMBERS.forEach((control) => {
      const slider = $('lab-slider-' + control.key), field = $('lab-field-' + control.key);
      lab.controls[control.key] = { slider, field };
      slider.addEventListener('input', () => change({ [control.key]: fromSlider(control, slider.value) }));
      // Typed and committed (Enter, or leaving the field): the field shows the value in force, refused or not.
      const inForce = () => String(lab.settings[control.key]);
      const commit = () => {
        if (field.value !== inForce()) change({ [control.key]: field.value });
        field.value = inForce();
      };
      field.addEventListener('change', commit);
      field.addEventListener('keydown', (e) => { if (e.key === 'Enter') commit(); });
      slider.addEventListener('keydown', (e) => {
        const value = lab.module === null ? null : lab.access.sliderKey(e, control, lab.settings[control.key]);
        if (value === null) return;
        e.preventDefault();
        change({ [control.key]: value });
      });
    });
    $('lab-slider-Ts').setAttribute('aria-describedby', 'lab-marks-Ts-words');
    $('lab-reset-all').addEventListener('click', resetAll);
    $('lab-reset-view').addEventListener('click', resetView);
    // Alt+R anywhere in the Lab: Reset all.
    document.addEventListener('keydown', (e) => {
      if (!e.altKey || e.ctrlKey || e.metaKey || e.code !== 'KeyR' || $('lab-view').hidden || lab.help.isOpen()) return;
      e.preventDefault();
      resetAll();
    });
    lab.controls.path = $('lab-path');
    lab.controls.mechanism = $('lab-mechanism');
    lab.controls.scenario = $('lab-scenario');
    lab.controls.path.addEventListener('change', () => change({ path: lab.controls.path.value }));
    lab.controls.mechanism.addEventListener('change', () => change({ mechanism: lab.controls.mechanism.value }));
    lab.controls.scenario.addEventListener('change', () => {
      const sc = SCENARIOS.find((x) => x.id === lab.controls.scenario.value);
      if (!sc) return;
      const locked = lockedSettings();
      lab.settings = Object.assign({}, DEFAULTS, { panel: lab.settings.panel }, sc.settings, Object.fromEntries(locked));
      lab.time = 0;
      lab.module !== null && lab.module._agvLabResetView(); // each scenario from the run's own view
      lab.controls.scenario.value = ''; // its name on the menu's first entry: chosen again, it starts again
      change({});
    });
    $('lab-language').value = lab.lang;
    $('lab-language').addEventListener('change', () => {
      lab.lang = $('lab-language').value;
      lab.links.chose(lab.lang);
      renderTexts();
    });
    $('lab-copy').addEventListener('click', () => {
      const text = location.href.split('#')[0] + link();
      if (navigator.clipboard) navigator.clipboard.writeText(text).catch(() => {});
      lab.notes = [texts().copied + ': ' + text];
      renderNotes();
    });
    PANELS.forEach((p) => $('lab-panel-' + p).addEventListener('click', () => change({ panel: p })));
    window.AgvsimExports.wire({ settings: () => lab.applied, csv: () => csv({ kept: $('lab-csv-kept').checked }),
      locusCsv: () => lab.loops.locusCsv(lab.applied), picture: $('lab-picture'), plots: () => lab.plots });
    $('lab-play').addEventListener('click', play);
    $('lab-speed').addEventListener('change', () => { lab.speed = Number($('lab-speed').value); });
    $('lab-time').addEventListener('input', () => {
      lab.time = Number($('lab-time').value);
      lab.module._agvLabSetTime(lab.time);
      lab.module._agvLabDraw();
      drawPlots();
      renderControls();
    });
  }

  // ---- Tabs and start -----------------------------------------------------

  let starting = null;

  function startLab() {
    if (starting !== null) return starting;
    lab.picture = new window.AgvsimPicture($('lab-picture'));
    lab.plots = new window.AgvsimPlots($('lab-plots'));
    lab.zplane = new window.AgvsimZPlane($('lab-zplane'), $('lab-zplane-info'));
    lab.frequency = new window.AgvsimFrequency($('lab-frequency'));
    starting = createAgvsim({ noInitialRun: true, agvPage: { draw: (ops, heap, chars) => {
      lab.picture.draw(ops, heap, chars);
      if (lab.compare !== null) lab.compare.frameDrawn();
    } } })
      .then((module) => {
        lab.module = module;
        const count = module._agvLabStart();
        for (let k = 0; k < count; ++k) lab.address[ADDRESS[k]] = module._agvLabAddress(k);
        lab.access = window.AgvsimAccess({ mechanisms: MECHANISMS, region: $('lab-sentences'), timeRegion: $('lab-time-said'),
          reportStable: (i) => !!module._agvLabStable(i), radius });
        lab.loops = window.AgvsimLoops(module, lab.address, { mechanisms: MECHANISMS, paths: PATHS, sentences: lab.access.poleSink });
        lab.compare = window.AgvsimCompare({ canvas: $('lab-picture'), fields: FIELDS, lang: () => lab.lang,
          view: () => Object.fromEntries(['viewScale', 'viewPanX', 'viewPanY', 'phasePlaneX', 'phasePlaneY'].map((k) => [k, dbl(k)])),
          applied: () => lab.applied, runs: runRecords, gains: () => design().gains, poles: () => lab.loops.zplaneData(lab.applied),
          ensureAllRuns, reportStable: (i) => !!module._agvLabStable(i),
          radius,
          redraw: () => { module._agvLabDraw(); drawPanel(); } });
        requestUpdate();
      });
    return starting;
  }

  function showTab(name) {
    const labShown = name === 'lab';
    $('program-view').hidden = labShown;
    $('lab-view').hidden = !labShown;
    $('tab-program').setAttribute('aria-selected', String(!labShown));
    $('tab-lab').setAttribute('aria-selected', String(labShown));
    if (labShown) {
      startLab().then(requestUpdate);
    } else if (window.AgvsimSettings.isLabLink(location.hash)) {
      history.replaceState(null, '', location.href.split('#')[0]);
    }
  }

  buildControls();
  window.AgvsimPictureInput($('lab-picture'), {
    ready: () => lab.module !== null,
    view: () => ({ viewScale: dbl('viewScale'), viewPanX: dbl('viewPanX'), viewPanY: dbl('viewPanY') }),
    start: () => lab.settings,
    locked: (key) => lab.links.locked(key),
    change,
    resetView,
    viewKey(code) {
      lab.module._agvLabKey(code);
      lab.time = int('animIndexPC') * dbl('dt');
      drawPlots();
      renderControls();
    },
  });
  lab.links = window.AgvsimLinks({ controls: $('lab-controls'), settingsLink: () => settingsLink(), lang: () => lab.lang });
  lab.help = window.AgvsimHelp({ lang: () => lab.lang });
  renderTexts();
  $('tab-program').addEventListener('click', () => showTab('program'));
  $('tab-lab').addEventListener('click', () => showTab('lab'));
  // A scenario's address, opened or typed into the address bar: the Lab at its settings.
  function openLink() {
    const hash = location.hash;
    if (!window.AgvsimSettings.isLabLink(hash) || (lab.module !== null && hash === link())) return;
    showTab('lab');
    startLab().then(() => {
      readLink(hash);
      requestUpdate();
    });
  }
  window.addEventListener('hashchange', openLink);
  openLink();

  // The lab's scripting surface.
  window.agvsim = window.agvsim || {};
  window.agvsim.lab = {
    set(given) {
      return startLab().then(() => new Promise((resolve) => {
        lab.waiting.push(resolve);
        change(given || {});
      }));
    },
    results: () => (lab.module === null ? null : results()),
    csv: (options) => (lab.module === null ? null : options && options.locus ? lab.loops.locusCsv(lab.applied) : csv(options)),
    link: () => location.href.split('#')[0] + link(),
    notes: () => lab.notes.slice(),
    // The picture's view [window units per m, window units] and the animation's time [s].
    view: () => (lab.module === null ? null : Object.assign(Object.fromEntries(['viewScale', 'viewPanX', 'viewPanY', 'phasePlaneX',
      'phasePlaneY'].map((k) => [k, dbl(k)])), { time: lab.time })),
    ready: () => startLab().then(() => new Promise((resolve) => { lab.waiting.push(resolve); requestUpdate(); })),
  };
})();
