// agvsim's lab: its settings as values. Owns the defaults, the number
// controls' ranges and scales, the exercises' scenarios, how given values
// (typed, dragged, from a link or from agvsim.lab.set) are read and refused,
// and the settings' part of the address's fragment. Holds no state: lab.js
// passes the settings record it keeps and the core's own checks.
//
//   const S = window.AgvsimSettings;
//   S.take(settings, given, link, rules) -> [[key, given value, rule text]]
//     writes the accepted values of given into settings; with link, a refused
//     value puts the default in its place. rules: { accepts: { fn, zeta, Ts }
//     (the core's checks, value -> bool), texts: the language's texts }.
//   S.fragmentOf(settings) '#lab&path=...'; S.parseFragment(hash) key -> text;
//   S.isLabLink(hash) whether an address's fragment opens the Lab;
//   S.scenarioOf(settings) the id of the scenario they are, or null.
//   S.toSlider(control, value), S.fromSlider(control, position) for the sliders;
//   S.controlsMarkup(mechanisms) the controls' elements, for lab.js to wire.
// Units: fn [Hz], Ts [s], x and y [m], th [deg].
(function () {
  'use strict';

  const PATHS = ['line', 'circle'];
  const PANELS = ['time', 'poles', 'frequency'];
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

  // Full-width digits, point, signs and exponent letter, as a Japanese input method types them: their ASCII forms.
  const WIDE = /[０-９．＋－−ｅＥ]/g, NARROW = { '．': '.', '＋': '+', '－': '-', '−': '-', 'ｅ': 'e', 'Ｅ': 'E' };
  const WIDE_OFFSET = 0xfee0; // from a full-width digit to its ASCII digit
  const DECIMAL = /^[+-]?(\d+\.?\d*|\.\d+)(e[+-]?\d+)?$/i;

  // A typed or linked number: [value, null], or [null, why] (a comma for the point, not a decimal
  // number: hexadecimal, 'Infinity', empty...; too large to be finite).
  function readNumber(text, t) {
    const s = text.replace(WIDE, (c) => NARROW[c] || String.fromCharCode(c.charCodeAt(0) - WIDE_OFFSET)).trim();
    if (!DECIMAL.test(s)) return [null, /^[+-]?\d*,\d+$/.test(s) ? t.ruleComma : t.ruleDecimal];
    const value = Number(s);
    return Number.isFinite(value) ? [value, null] : [null, t.ruleFinite];
  }

  // The scenario whose settings these are (the panel too where the scenario sets it), or null.
  function scenarioOf(s) {
    const same = (sc) => Object.keys(DEFAULTS).every((k) => (k === 'panel' && !('panel' in sc.settings))
      || s[k] === (k in sc.settings ? sc.settings[k] : DEFAULTS[k]));
    const found = SCENARIOS.find(same);
    return found ? found.id : null;
  }

  // Why a value is refused, or null: the core's own rules (and finite numbers for the pose).
  function refusal(key, value, rules) {
    const t = rules.texts, rule = { fn: t.ruleFn, zeta: t.ruleZeta, Ts: t.ruleTs }[key] || t.ruleNumber;
    if (typeof value !== 'number' || Number.isNaN(value)) return rule;
    if (key in rules.accepts) return rules.accepts[key](value) ? null : rule;
    return Number.isFinite(value) ? null : t.ruleNumber;
  }

  function take(settings, given, link, rules) {
    const refused = [];
    for (const [key, raw] of Object.entries(given)) {
      if (key === 'path') {
        if (PATHS.includes(raw)) settings.path = raw; else refused.push([key, raw, 'line | circle']);
      } else if (key === 'mechanism') {
        const m = Number(raw);
        if ([1, 2, 3].includes(m)) settings.mechanism = m; else refused.push([key, raw, '1 | 2 | 3']);
      } else if (key === 'panel') {
        if (PANELS.includes(raw)) settings.panel = raw; else refused.push([key, raw, PANELS.join(' | ')]);
      } else if (key === 'pose') {
        // x [m], y [m], th [deg]: a list or a text 'x,y,th'; taken whole, or refused with one note.
        const parts = typeof raw === 'string' ? raw.split(',') : Array.isArray(raw) ? raw : [], trial = Object.assign({}, settings);
        const taken = parts.length === 3 && ['x', 'y', 'th'].every((k, n) => take(trial, { [k]: parts[n] }, false, rules).length === 0);
        if (taken || link) ['x', 'y', 'th'].forEach((k) => { settings[k] = taken ? trial[k] : DEFAULTS[k]; });
        if (!taken) refused.push([key, raw, rules.texts.rulePose]);
      } else if (key in DEFAULTS) {
        const [value, unread] = typeof raw === 'string' ? readNumber(raw, rules.texts) : [raw, null];
        const why = unread || refusal(key, value, rules);
        if (why === null) settings[key] = value;
        else {
          refused.push([key, raw, why]);
          if (link) settings[key] = DEFAULTS[key];
        }
      }
    }
    return refused;
  }

  function fragmentOf(s) {
    return `#lab&path=${s.path}&fn=${s.fn}&zeta=${s.zeta}&Ts=${s.Ts}&x=${s.x}&y=${s.y}&th=${s.th}&mech=${s.mechanism}`
      + (s.panel === DEFAULTS.panel ? '' : `&panel=${s.panel}`);
  }

  // '#lab', then its settings after '&' (or '?', as in a query), in any case: '#LAB?Ts=0.1'.
  const LAB_LINK = /^#?lab(?=$|[&?])[&?]?/i;
  const isLabLink = (hash) => LAB_LINK.test(hash);

  // An address's fragment as key -> text ('mech' read as 'mechanism'); a repeated key's last value.
  function parseFragment(hash) {
    const given = {};
    for (const part of hash.replace(LAB_LINK, '').split('&').filter((p) => p !== '')) {
      const at = part.includes('=') ? part.indexOf('=') : part.length; // a value may hold '=' (a task)
      const [key, value] = [part.slice(0, at), part.slice(at + 1)].map((text) => {
        try {
          return decodeURIComponent(text);
        } catch (error) {
          return text; // a broken escape: refused later as not a number
        }
      });
      given[key === 'mech' ? 'mechanism' : key] = value;
    }
    return given;
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

  // The controls' elements (lab.js wires them and writes their texts): Reset, the scenario, path and mechanism
  // menus, a slider with a number field per number (the Ts slider with its track of marks), the notes, the
  // exports, the language, the figures' place.
  function controlsMarkup(mechanisms) {
    const rows = NUMBERS.map((control) => `<div class="row"><label for="lab-field-${control.key}" id="lab-label-${control.key}" `
      + `data-text="${control.key}"></label><input type="range" id="lab-slider-${control.key}" aria-labelledby="lab-label-${control.key}" min="${control.log ? 0 : control.min}" max="${control.log ? LOG_STEPS : control.max}" `
      + `step="${control.log ? 1 : control.step}">`
      + `<input type="text" inputmode="decimal" id="lab-field-${control.key}" size="7">`
      + (control.key === 'Ts' ? '<div class="marks" id="lab-marks-Ts" aria-hidden="true"></div>'
        + '<p class="visually-hidden" id="lab-marks-Ts-words"></p>' : '') + '</div>').join('');
    return `<div class="row buttons"><button type="button" id="lab-reset-all" data-text="resetAll"></button>`
      + `<button type="button" id="lab-reset-view" data-text="resetView"></button></div>`
      + `<div class="row" id="lab-scenario-row"><label for="lab-scenario" data-text="scenario"></label><select id="lab-scenario"></select></div>`
      + `<div class="row"><label for="lab-path" data-text="path"></label><select id="lab-path"></select></div>`
      + `<div class="row"><label for="lab-mechanism" data-text="mechanism"></label><select id="lab-mechanism">`
      + mechanisms.map((m, i) => `<option value="${i + 1}">${m}</option>`).join('') + '</select></div>'
      + rows
      + `<p class="note" id="lab-undesigned" data-text="undesigned" hidden></p><pre class="note" id="lab-notes"></pre>`
      + `<div class="row buttons" id="lab-exports"><button type="button" id="lab-copy" data-text="copyLink"></button>`
      + `<button type="button" id="lab-csv" data-text="csv"></button><button type="button" id="lab-png" data-text="pngPicture"></button>`
      + `<button type="button" id="lab-png-plots" data-text="pngPlots"></button>`
      + `<button type="button" id="lab-csv-locus" data-text="csvLocus"></button></div>`
      + `<div class="row"><label for="lab-language" data-text="language"></label><select id="lab-language">`
      + '<option value="ja">日本語</option><option value="en">English</option></select></div>'
      + `<p class="hint" data-text="dragHint"></p><div id="lab-figures"></div>`;
  }

  window.AgvsimSettings = { PATHS, PANELS, DEFAULTS, NUMBERS, LOG_STEPS, SCENARIOS, take, scenarioOf, fragmentOf, parseFragment, isLabLink, toSlider, fromSlider, controlsMarkup };
})();
