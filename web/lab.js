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
// access.js's; the help dialog help.js's.
// Units: fn [Hz], Ts [s], x and y [m], the heading th [deg] here (radians in
// the core).
(function () {
  'use strict';

  const MECHANISMS = ['2DW1C', '1FDW1FS', '1RDW1FS'];
  const CONTROLLERS = ['continuous', 'sampled'];
  const PATHS = ['line', 'circle'];
  const STATE_FIELDS = ['dist', 'theta', 'x', 'y', 'phi'];
  const ERROR_FIELDS = ['refArc', 'refTheta', 'refX', 'refY', 'refPhi', 'refCurv', 'refParam', 'ed', 'eth', 'ephi', 'dd'];
  const FIELDS = STATE_FIELDS.concat(ERROR_FIELDS);
  const GAIN_NAMES = ['kdPI1', 'kthPI1', 'kiPI1', 'kd2', 'kth2', 'kph2', 'kd3', 'kth3', 'kph3'];
  const MAX_RECORDS = 3000; // a store's records
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
  const PANELS = ['time', 'poles', 'frequency'];
  const PANEL_PARTS = { time: 'plots', poles: 'poles', frequency: 'frequency' }; // links.js's names of the panels
  // The vehicle view's world shift [m] (graphics/scene.h) and the window's pixels per unit.
  const WORLD_SHIFT_X = -2.0, WORLD_SHIFT_Y = -0.5, PIXELS_PER_UNIT = 400;
  const VIEW_KEYS = 's0xXyYwWzZ';

  // The controls: a slider (its range; log: a logarithmic scale) with a number field.
  const DEFAULTS = { path: 'line', mechanism: 1, fn: 0.3, zeta: 0.707, Ts: 0.2, x: 0, y: 1, th: 0, panel: 'time' };
  const NUMBERS = [
    { key: 'fn', min: 0.05, max: 2, log: true, unit: 'Hz' },
    { key: 'zeta', min: 0, max: 2, step: 0.001, unit: '' },
    { key: 'Ts', min: 0.01, max: 1, log: true, unit: 's' },
    { key: 'x', min: -3, max: 3, step: 0.01, unit: 'm' },
    { key: 'y', min: -3, max: 3, step: 0.01, unit: 'm' },
    { key: 'th', min: -180, max: 180, step: 1, unit: 'deg' },
  ];
  const LOG_STEPS = 1000; // slider positions of a logarithmic scale

  // The exercises' scenarios (docs/exercises.md names them).
  const SCENARIOS = [
    { id: 'defaults', settings: {} },
    { id: 'ex2', settings: { Ts: 0.168, y: 0.05, mechanism: 2 } },
    { id: 'ex3', settings: { mechanism: 3 } },
    { id: 'ex4', settings: { zeta: 0.3 } },
    { id: 'ex5', settings: { path: 'circle', x: 1, y: 0, th: 90, mechanism: 2 } },
    { id: 'ex6', settings: { Ts: 0.1, x: 0, y: 0, th: 45, mechanism: 3 } },
    { id: 'ex7', settings: { Ts: 0.17, mechanism: 2, panel: 'poles' } },
  ];

  const TEXTS = {
    en: {
      tabProgram: 'Program', tabLab: 'Lab', programEnded: 'The program has ended.', startAgain: 'Start again', language: 'Language', path: 'Path', line: 'straight line y = 0',
      circle: 'circle x² + y² = 4', mechanism: 'Mechanism', fn: 'fn [Hz]', zeta: 'ζ', Ts: 'Ts [s]', x: 'start x [m]',
      y: 'start y [m]', th: 'start heading θ [deg]', scenario: 'Scenario', copyLink: 'Copy link', copied: 'Link copied',
      csv: 'Runs as CSV', pngPicture: 'Picture as PNG', pngPlots: 'Plots as PNG', play: 'Play', pause: 'Pause',
      time: 't [s]', speed: 'Speed', gains: 'Gains', verdict: 'at Ts', stable: 'stable', unstable: 'unstable',
      Tsmax: 'Tsmax [s] (report)', pathLimit: 'limit on this path [s]', radius: 'radius at Ts', pending: '…',
      refused: (name, value, rule) => `${name} = ${value} refused: ${rule}; kept ${name} as it was`,
      refusedLink: (name, value, rule) => `The link's ${name} = ${value} refused (${rule}): the default is used`,
      ruleFn: 'fn must be a number > 0', ruleZeta: 'ζ must be a number ≥ 0', ruleTs: 'Ts must be a finite number > 0',
      ruleNumber: 'a finite number is needed',
      undesigned: '2DW1C cannot be designed at ζ = 0: its gains are not finite (the steered mechanisms are designed normally).',
      dragHint: 'Drag the start point (black dot) on the picture; Shift-drag turns its heading. Keys on the picture: 1 2 3 s 0 x X y Y w W z Z.',
      dd: 'dd [m]', eth: 'eth [rad] (unwrapped)', phi: 'steering angle φ [rad]',
      phi2DW1C: 'equivalent steering angle atan(Lω/V) [rad]', command: 'steering rate [rad/s]',
      command2DW1C: 'turning rate ω [rad/s]', continuous: 'continuous', sampled: 'sampled-data (held)',
      scenarios: { defaults: 'Defaults (Exercise 1)', ex2: 'Exercise 2: just at the limit, 0.05 m start',
        ex3: 'Exercise 3: three phase planes (1RDW1FS)', ex4: 'Exercise 4: damping ratio ζ = 0.3',
        ex5: 'Exercise 5: the circle, start (1, 0, 90°)', ex6: 'Exercise 6: start heading 45°, Ts = 0.1 s',
        ex7: 'Exercise 7: the poles leave the unit circle' },
      panelTime: 'Time plots', panelPoles: 'z-plane', panelFrequency: 'Frequency', csvLocus: 'Locus as CSV',
      resetAll: 'Reset all (Alt+R)', resetView: 'Reset view (r)', loopsCaption: 'Stability by mechanism', mechanismHead: 'Mechanism',
    },
    ja: {
      tabProgram: 'プログラム', tabLab: 'ラボ', programEnded: 'プログラムは終了しました。', startAgain: 'もう一度始める', language: '言語', path: '経路', line: '直線 y=0', circle: '円弧 x²+y²=4',
      mechanism: 'AGV機構', fn: '固有振動数 fn [Hz]', zeta: '減衰比 ζ', Ts: 'サンプル時間 Ts [s]', x: '初期位置 x [m]',
      y: '初期位置 y [m]', th: '初期姿勢 θ [deg]', scenario: 'シナリオ', copyLink: 'リンクをコピー',
      copied: 'リンクをコピーした', csv: '走行データ (CSV)', pngPicture: '描画 (PNG)', pngPlots: 'グラフ (PNG)',
      play: '再生', pause: '停止', time: '時刻 t [s]', speed: '速さ', gains: 'ゲイン', verdict: 'Tsでの判定',
      stable: '安定', unstable: '不安定', Tsmax: '限界Ts [s] (報告)', pathLimit: 'この経路での限界 [s]',
      radius: 'Tsでのスペクトル半径', pending: '…',
      refused: (name, value, rule) => `${name} = ${value} は受け付けない: ${rule}。${name} は変えない`,
      refusedLink: (name, value, rule) => `リンクの ${name} = ${value} は受け付けない (${rule})。既定値を使う`,
      ruleFn: 'fn は 0 より大きい数', ruleZeta: 'ζ は 0 以上の数', ruleTs: 'Ts は 0 より大きい有限の数',
      ruleNumber: '有限の数が必要',
      undesigned: 'ζ = 0 では 2DW1C は設計できない: ゲインが有限でない (操舵型の機構は通常どおり設計される)。',
      dragHint: '描画上の始点 (黒点) をドラッグで移動、Shift+ドラッグで姿勢を回す。描画上のキー: 1 2 3 s 0 x X y Y w W z Z。',
      dd: 'dd [m]', eth: 'eth [rad] (連続化)', phi: '操舵角 φ [rad]', phi2DW1C: '等価操舵角 atan(Lω/V) [rad]',
      command: '操舵角速度 [rad/s]', command2DW1C: '旋回角速度 ω [rad/s]', continuous: '連続制御 (P制御)',
      sampled: 'サンプル値制御 (PI制御, 保持)',
      scenarios: { defaults: '既定値 (演習1)', ex2: '演習2: 限界ちょうど, 0.05 m から', ex3: '演習3: 位相面 (1RDW1FS)',
        ex4: '演習4: 減衰比 ζ = 0.3', ex5: '演習5: 円弧, 始点 (1, 0, 90°)', ex6: '演習6: 初期姿勢 45°, Ts = 0.1 s',
        ex7: '演習7: 極が単位円の外へ' },
      panelTime: '時間応答', panelPoles: 'z平面', panelFrequency: '周波数応答', csvLocus: '軌跡 (CSV)',
      resetAll: 'すべて戻す (Alt+R)', resetView: '表示を戻す (r)', loopsCaption: '機構ごとの安定性', mechanismHead: 'AGV機構',
    },
  };

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

  // Records 0..count-1 of one run: the sixteen fields, t, and u for a sampled run.
  function runRecords(i, controller) {
    const sampled = controller === 'sampled';
    const bound = three(sampled ? 'nPointsPI' : 'nPointsPC', readInt)[i];
    const count = bound < -1 ? 1 : Math.min(bound, MAX_RECORDS - 2) + 2;
    const traj = heapF64(lab.address[sampled ? 'sampTraj' : 'contTraj'] + i * MAX_RECORDS * 40, count * 5);
    const errs = heapF64(lab.address[sampled ? 'sampErr' : 'contErr'] + i * MAX_RECORDS * 88, count * 11);
    const dt = dbl('dt');
    const run = { t: new Float64Array(count) };
    FIELDS.forEach((f) => { run[f] = new Float64Array(count); });
    for (let n = 0; n < count; ++n) {
      run.t[n] = n * dt;
      for (let k = 0; k < 5; ++k) run[STATE_FIELDS[k]][n] = traj[5 * n + k];
      for (let k = 0; k < 11; ++k) run[ERROR_FIELDS[k]][n] = errs[11 * n + k];
    }
    if (sampled) {
      const held = heapF64(lab.address.sampCommand + i * MAX_RECORDS * 8, count);
      run.u = Float64Array.from(held);
      run.u[count - 1] = NaN; // the last record begins no interval
      const every = int('stepsPerSample');
      run.samples = Int32Array.from({ length: Math.floor((count - 1) / every) + 1 }, (_, k) => k * every);
    }
    return run;
  }

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

  // Why a value is refused, or null: the core's own rules (and finite numbers for the pose).
  function refusal(key, value) {
    const t = texts();
    if (typeof value !== 'number' || Number.isNaN(value)) return key === 'fn' ? t.ruleFn : key === 'zeta' ? t.ruleZeta : key === 'Ts' ? t.ruleTs : t.ruleNumber;
    if (key === 'fn') return lab.module._agvLabAcceptsFn(value) ? null : t.ruleFn;
    if (key === 'zeta') return lab.module._agvLabAcceptsZeta(value) ? null : t.ruleZeta;
    if (key === 'Ts') return lab.module._agvLabAcceptsTs(value) ? null : t.ruleTs;
    return Number.isFinite(value) ? null : t.ruleNumber;
  }

  // Takes the given settings as the controls would; returns the refusals.
  function take(given, link) {
    const refused = [];
    for (const [key, raw] of Object.entries(given)) {
      if (key === 'path') {
        if (PATHS.includes(raw)) lab.settings.path = raw; else refused.push([key, raw, 'line | circle']);
      } else if (key === 'mechanism') {
        const m = Number(raw);
        if ([1, 2, 3].includes(m)) lab.settings.mechanism = m; else refused.push([key, raw, '1 | 2 | 3']);
      } else if (key === 'panel') {
        if (PANELS.includes(raw)) lab.settings.panel = raw; else refused.push([key, raw, PANELS.join(' | ')]);
      } else if (key === 'pose') {
        ['x', 'y', 'th'].forEach((k, n) => refused.push(...take({ [k]: raw[n] }, link)));
      } else if (key in DEFAULTS) {
        const value = typeof raw === 'string' && raw.trim() !== '' ? Number(raw) : raw;
        const why = refusal(key, value);
        if (why === null) lab.settings[key] = value;
        else {
          refused.push([key, raw, why]);
          if (link) lab.settings[key] = DEFAULTS[key];
        }
      }
    }
    return refused;
  }

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

  function format(v, digits) {
    return Number.isFinite(v) ? v.toFixed(digits) : String(v);
  }

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
    lab.plots.draw({ mechanism: i + 1, gains: d.gains, continuous: runRecords(i, 'continuous'),
      sampled: runRecords(i, 'sampled'), time: lab.time, kept: lab.compare.plotsKept() }, texts());
  }

  // The figures depend on the design, Ts, the path, its limits and the language only: redrawn when one changes.
  function renderFigures() {
    if (lab.applied === null) return; // before the first update
    const path = lab.settings.path;
    const limits = lab.limits && lab.limits[path] && lab.limits[path].length === MECHANISMS.length ? lab.limits[path] : null;
    const key = [lab.applied.fn, lab.applied.zeta, lab.applied.Ts, path, limits !== null, lab.lang].join();
    if (key === lab.figuresKey) return;
    lab.figuresKey = key;
    const t = texts(), d = design();
    const rows = GAIN_NAMES.map((n) => `<tr><th scope="row">${n}</th><td>${format(d.gains[n], 6)}</td></tr>`).join('');
    const radius = (i) => (d.Ts <= TS_SEARCH_LIMIT ? lab.module._agvLabRadius(i, PATHS.indexOf(path), d.Ts) : NaN);
    const loops = MECHANISMS.map((m, i) => {
      const loop = d.loops[m];
      return `<tr><th scope="row">${m}</th><td class="${loop.stable ? 'stable' : 'unstable'}">${loop.stable ? t.stable : t.unstable}</td>`
        + `<td>${format(loop.Tsmax, 3)}</td><td>${limits ? format(limits[i], 3) : t.pending}</td>`
        + `<td>${format(radius(i), 4)}</td></tr>`;
    }).join('');
    $('lab-figures').innerHTML = `<table class="gains"><caption>${t.gains}</caption>${rows}</table>`
      + `<table class="loops"><caption>${t.loopsCaption}</caption><tr><th scope="col">${t.mechanismHead}</th>`
      + `<th scope="col">${t.verdict}</th><th scope="col">${t.Tsmax}</th><th scope="col">${t.pathLimit}</th>`
      + `<th scope="col">${t.radius}</th></tr>${loops}</table>`;
    renderMarks(d, limits);
  }

  // Each mechanism's Tsmax (report) and path limit marked on the Ts slider's track.
  function renderMarks(d, limits) {
    const track = $('lab-marks-Ts');
    const control = NUMBERS.find((n) => n.key === 'Ts');
    const marks = [];
    MECHANISMS.forEach((m, i) => {
      marks.push([d.loops[m].Tsmax, 'report', m]);
      if (limits) marks.push([limits[i], 'path', m]);
    });
    $('lab-marks-Ts-words').textContent = lab.access.marksText(MECHANISMS.map((m, i) => [m, d.loops[m].Tsmax, limits ? limits[i] : null]), lab.lang);
    track.innerHTML = marks.filter(([v]) => v >= control.min && v <= control.max).map(([v, kind, m]) =>
      `<span class="mark ${kind} m${MECHANISMS.indexOf(m) + 1}" style="left:${(100 * toSlider(control, v)) / LOG_STEPS}%" `
      + `title="${m} ${kind === 'report' ? 'Tsmax' : texts().pathLimit} ${format(v, 3)} s"></span>`).join('');
  }

  function toSlider(control, v) {
    if (!control.log) return v;
    return Math.round((LOG_STEPS * Math.log(Math.min(Math.max(v, control.min), control.max) / control.min)) / Math.log(control.max / control.min));
  }

  function fromSlider(control, position) {
    if (!control.log) return Number(position);
    const v = control.min * Math.pow(control.max / control.min, position / LOG_STEPS);
    return Number(v.toPrecision(3));
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
      + SCENARIOS.map((sc) => `<option value="${sc.id}">${t.scenarios[sc.id]}</option>`).join('');
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

  function settingsLink() {
    const s = lab.settings;
    return `#lab&path=${s.path}&fn=${s.fn}&zeta=${s.zeta}&Ts=${s.Ts}&x=${s.x}&y=${s.y}&th=${s.th}&mech=${s.mechanism}`
      + (s.panel === DEFAULTS.panel ? '' : `&panel=${s.panel}`);
  }

  function writeLink() {
    if (location.hash !== link()) history.replaceState(null, '', link());
  }

  // Settings from an address's fragment: missing ones take their defaults, refused ones too.
  function readLink(hash) {
    const given = {};
    for (const part of hash.replace(/^#/, '').split('&').slice(1)) {
      const at = part.includes('=') ? part.indexOf('=') : part.length; // a value may hold '=' (a task)
      const [key, value] = [part.slice(0, at), part.slice(at + 1)].map((text) => {
        try {
          return decodeURIComponent(text);
        } catch (error) {
          return text; // a broken escape: refused below as not a number
        }
      });
      given[key === 'mech' ? 'mechanism' : key] = value;
    }
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

  function csv(options) { // options.kept: with the kept sets (compare.js)
    ensureAllRuns();
    const lines = [['mechanism', 'controller', 'record', 't'].concat(FIELDS, ['u']).join(',')];
    MECHANISMS.forEach((m, i) => CONTROLLERS.forEach((c) => {
      const run = runRecords(i, c);
      for (let n = 0; n < run.t.length; ++n) {
        const u = c === 'sampled' && n < run.t.length - 1 ? String(run.u[n]) : '';
        lines.push([m, c, n, run.t[n]].concat(FIELDS.map((f) => String(run[f][n])), [u]).join(','));
      }
    }));
    const text = lines.join('\n') + '\n';
    return options && options.kept ? lab.compare.csv(text) : text;
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

  function download(name, blob) {
    const a = document.createElement('a');
    a.href = URL.createObjectURL(blob);
    a.download = name;
    a.click();
    setTimeout(() => URL.revokeObjectURL(a.href), 1000);
  }

  // ---- Input --------------------------------------------------------------

  function change(given) {
    given = Object.fromEntries(Object.entries(given).filter(([key]) => !lab.links.locked(key)
      && !(key === 'pose' && ['x', 'y', 'th'].some(lab.links.locked))));
    showRefusals(take(given, false), false);
    requestUpdate();
  }

  // The start point's place [m] under the pointer; with Shift, the heading toward it.
  function pointerTo(event) {
    const box = $('lab-picture').getBoundingClientRect();
    const X = ((event.clientX - box.left) / box.width) * 2 - 1;
    const Y = 1 - ((event.clientY - box.top) / box.height) * 2;
    return [(X - dbl('viewPanX')) / dbl('viewScale') - WORLD_SHIFT_X, (Y - dbl('viewPanY')) / dbl('viewScale') - WORLD_SHIFT_Y];
  }

  function onPicturePointer(event) {
    if (lab.module === null) return;
    const [x, y] = pointerTo(event);
    const s = lab.settings;
    if (event.type === 'pointerdown') {
      if (lab.links.locked(event.shiftKey ? 'th' : 'x') || lab.links.locked(event.shiftKey ? 'th' : 'y')) return;
      const reach = 12 / (PIXELS_PER_UNIT * dbl('viewScale')); // [m] 12 CSS pixels at the default size
      if (Math.hypot(x - s.x, y - s.y) > reach * (800 / $('lab-picture').getBoundingClientRect().width)) return;
      lab.dragging = event.shiftKey ? 'heading' : 'place';
      $('lab-picture').setPointerCapture(event.pointerId);
      event.preventDefault();
    }
    if (!lab.dragging) return;
    if (event.type === 'pointerup' || event.type === 'pointercancel') {
      lab.dragging = null;
      return;
    }
    const round = (v) => Math.round(v * 100) / 100;
    if (lab.dragging === 'heading') {
      if (Math.hypot(x - s.x, y - s.y) > 1e-3) change({ th: Math.round((Math.atan2(y - s.y, x - s.x) * 180) / Math.PI) });
    } else {
      change({ x: round(x), y: round(y) });
    }
  }

  function onPictureKey(event) {
    if (event.ctrlKey || event.metaKey || event.altKey || lab.module === null) return;
    const key = event.key;
    if (key === 'r') {
      event.preventDefault();
      resetView();
    } else if ('123'.includes(key) && key.length === 1) {
      event.preventDefault();
      change({ mechanism: Number(key) });
    } else if (key.length === 1 && VIEW_KEYS.includes(key)) {
      event.preventDefault();
      lab.module._agvLabKey(key.charCodeAt(0));
      lab.time = int('animIndexPC') * dbl('dt');
      drawPlots();
      renderControls();
    }
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
    const locked = Object.keys(DEFAULTS).filter(lab.links.locked).map((k) => [k, lab.settings[k]]);
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
    const box = $('lab-controls');
    const t = texts();
    const rows = NUMBERS.map((control) => `<div class="row"><label for="lab-field-${control.key}" id="lab-label-${control.key}" `
      + `data-text="${control.key}"></label><input type="range" id="lab-slider-${control.key}" aria-labelledby="lab-label-${control.key}" min="${control.log ? 0 : control.min}" max="${control.log ? LOG_STEPS : control.max}" `
      + `step="${control.log ? 1 : control.step}">`
      + `<input type="text" inputmode="decimal" id="lab-field-${control.key}" size="7">`
      + (control.key === 'Ts' ? '<div class="marks" id="lab-marks-Ts" aria-hidden="true"></div>'
        + '<p class="visually-hidden" id="lab-marks-Ts-words"></p>' : '') + '</div>').join('');
    box.innerHTML = `<div class="row buttons"><button type="button" id="lab-reset-all" data-text="resetAll"></button>`
      + `<button type="button" id="lab-reset-view" data-text="resetView"></button></div>`
      + `<div class="row" id="lab-scenario-row"><label for="lab-scenario" data-text="scenario"></label><select id="lab-scenario"></select></div>`
      + `<div class="row"><label for="lab-path" data-text="path"></label><select id="lab-path"></select></div>`
      + `<div class="row"><label for="lab-mechanism" data-text="mechanism"></label><select id="lab-mechanism">`
      + MECHANISMS.map((m, i) => `<option value="${i + 1}">${m}</option>`).join('') + '</select></div>'
      + rows
      + `<p class="note" id="lab-undesigned" data-text="undesigned" hidden></p><pre class="note" id="lab-notes"></pre>`
      + `<div class="row buttons" id="lab-exports"><button type="button" id="lab-copy" data-text="copyLink"></button>`
      + `<button type="button" id="lab-csv" data-text="csv"></button><button type="button" id="lab-png" data-text="pngPicture"></button>`
      + `<button type="button" id="lab-png-plots" data-text="pngPlots"></button>`
      + `<button type="button" id="lab-csv-locus" data-text="csvLocus"></button></div>`
      + `<div class="row"><label for="lab-language" data-text="language"></label><select id="lab-language">`
      + '<option value="ja">日本語</option><option value="en">English</option></select></div>'
      + `<p class="hint" data-text="dragHint"></p><div id="lab-figures"></div>`;
    NUMBERS.forEach((control) => {
      const slider = $('lab-slider-' + control.key), field = $('lab-field-' + control.key);
      lab.controls[control.key] = { slider, field };
      slider.addEventListener('input', () => change({ [control.key]: fromSlider(control, slider.value) }));
      field.addEventListener('change', () => change({ [control.key]: field.value }));
      field.addEventListener('keydown', (e) => { if (e.key === 'Enter') change({ [control.key]: field.value }); });
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
      const locked = Object.keys(DEFAULTS).filter(lab.links.locked).map((k) => [k, lab.settings[k]]);
      lab.settings = Object.assign({}, DEFAULTS, { panel: lab.settings.panel }, sc.settings, Object.fromEntries(locked));
      lab.time = 0;
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
    $('lab-csv').addEventListener('click', () => download('agvsim-runs.csv', new Blob([csv({ kept: $('lab-csv-kept').checked })], { type: 'text/csv' })));
    $('lab-csv-locus').addEventListener('click', () => download('agvsim-locus.csv', new Blob([lab.loops.locusCsv(lab.applied)], { type: 'text/csv' })));
    PANELS.forEach((p) => $('lab-panel-' + p).addEventListener('click', () => change({ panel: p })));
    $('lab-png').addEventListener('click', () => $('lab-picture').toBlob((b) => download('agvsim-picture.png', b)));
    $('lab-png-plots').addEventListener('click', () => lab.plots.toBlob((b) => download('agvsim-plots.png', b)));
    $('lab-play').addEventListener('click', play);
    $('lab-speed').addEventListener('change', () => { lab.speed = Number($('lab-speed').value); });
    $('lab-time').addEventListener('input', () => {
      lab.time = Number($('lab-time').value);
      lab.module._agvLabSetTime(lab.time);
      lab.module._agvLabDraw();
      drawPlots();
      renderControls();
    });
    const picture = $('lab-picture');
    ['pointerdown', 'pointermove', 'pointerup', 'pointercancel'].forEach((type) => picture.addEventListener(type, onPicturePointer));
    ['touchstart', 'touchmove'].forEach((type) => picture.addEventListener(type, (e) => { if (lab.dragging) e.preventDefault(); },
      { passive: false })); // the pointer events come first: a drag of the start point has begun
    picture.addEventListener('keydown', onPictureKey);
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
          reportStable: (i) => !!module._agvLabStable(i),
          radius: (i) => (lab.applied.Ts <= TS_SEARCH_LIMIT ? module._agvLabRadius(i, PATHS.indexOf(lab.applied.path), lab.applied.Ts) : NaN) });
        lab.loops = window.AgvsimLoops(module, lab.address, { mechanisms: MECHANISMS, paths: PATHS, sentences: lab.access.poleSink });
        lab.compare = window.AgvsimCompare({ canvas: $('lab-picture'), fields: FIELDS, lang: () => lab.lang,
          view: () => Object.fromEntries(['viewScale', 'viewPanX', 'viewPanY', 'phasePlaneX', 'phasePlaneY'].map((k) => [k, dbl(k)])),
          applied: () => lab.applied, runs: runRecords, gains: () => design().gains, poles: () => lab.loops.zplaneData(lab.applied),
          ensureAllRuns, reportStable: (i) => !!module._agvLabStable(i),
          radius: (i) => (lab.applied.Ts <= TS_SEARCH_LIMIT ? module._agvLabRadius(i, PATHS.indexOf(lab.applied.path), lab.applied.Ts) : NaN),
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
    } else if (location.hash.startsWith('#lab')) {
      history.replaceState(null, '', location.href.split('#')[0]);
    }
  }

  buildControls();
  lab.links = window.AgvsimLinks({ controls: $('lab-controls'), settingsLink: () => settingsLink(), lang: () => lab.lang });
  lab.help = window.AgvsimHelp({ lang: () => lab.lang });
  renderTexts();
  $('tab-program').addEventListener('click', () => showTab('program'));
  $('tab-lab').addEventListener('click', () => showTab('lab'));
  // A scenario's address, opened or typed into the address bar: the Lab at its settings.
  function openLink() {
    const hash = location.hash;
    if (!hash.startsWith('#lab') || (lab.module !== null && hash === link())) return;
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
