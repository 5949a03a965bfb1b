// agvsim's lab: what the Lab says to the keyboard and to screen readers. It owns
// the sliders' keys (arrows a step, Shift+arrows a fine step, Home/End the
// range's ends; on a logarithmic slider a step is LOG_COARSE of its positions and
// a fine step one unit of the third significant digit), each slider's value text
// with its unit in the chosen language, the Ts track's marks in words, the
// results region (a sentence per mechanism once the input rests: the loop
// radius on the chosen path at Ts, its verdict against the report's, then
// loops.js's pole sentence) and the time said when playing stops.
//
//   const access = AgvsimAccess({ mechanisms, region, timeRegion, radius, reportStable });
//     region: the live region of the results; timeRegion: the one of the time;
//     radius(i) (mechanism i's loop radius at Ts on the applied path),
//     reportStable(i) (the report's verdict at Ts), read when the region is written.
//   access.sliderKey(event, control, value) -> the new value or null (control: lab.js's
//     NUMBERS record: key, min, max, step, log); access.valueText(key, value, lang);
//   access.marksText(marks, lang); access.poleSink (loops.js writes
//     its sentences into it); access.speak(applied, lang) before loops.js's speak or renderSentences;
//   access.sayTime(t, lang).
// Units: Ts [s], fn [Hz], x and y [m], th [deg], t [s]. Called by lab.js.
(function () {
  'use strict';

  const LOG_STEPS = 1000; // lab.js's slider positions of a logarithmic scale
  const LOG_COARSE = 10; // slider positions of an arrow key on a logarithmic slider
  const COARSE = 10; // fine steps of an arrow key on a linear slider
  const SIGNIFICANT = 3; // digits of a logarithmic slider's values (lab.js's fromSlider)
  const DECADE_EPS = 1e-9; // log10 tolerance: 0.1 lies in the decade of 0.1 going up, of 0.01 going down

  const UNITS = {
    en: { fn: ['hertz', 'hertz'], Ts: ['second', 'seconds'], x: ['metre', 'metres'], y: ['metre', 'metres'],
      th: ['degree', 'degrees'], t: ['second', 'seconds'] },
    ja: { fn: ['ヘルツ'], Ts: ['秒'], x: ['メートル'], y: ['メートル'], th: ['度'], t: ['秒'] },
  };
  const TEXTS = {
    en: {
      path: { line: 'the straight line', circle: 'the circle' },
      result: (m, path, r, ts, stable, report) => `${m} on ${path}: loop radius ${r} at Ts ${ts} s — `
        + (stable ? 'stable' : 'unstable') + (stable === report ? ', as the report says'
          : `, although the report calls it ${report ? 'stable' : 'unstable'}`),
      noRadius: (m, path, ts) => `${m} on ${path}: no loop radius at Ts ${ts} s`,
      mark: (m, tsmax, limit) => `Tsmax of ${m} ${tsmax} s (report); limit on this path ${limit}`,
      pending: 'being computed', time: (t) => `t = ${t} s`,
    },
    ja: {
      path: { line: '直線', circle: '円弧' },
      result: (m, path, r, ts, stable, report) => `${m}、${path}上: Ts ${ts} s でのループの半径 ${r} — `
        + (stable ? '安定' : '不安定') + (stable === report ? ' (報告どおり)' : ` (報告では${report ? '安定' : '不安定'})`),
      noRadius: (m, path, ts) => `${m}、${path}上: Ts ${ts} s でのループの半径は求めていない`,
      mark: (m, tsmax, limit) => `${m} の限界Ts ${tsmax} s (報告)、この経路での限界 ${limit}`,
      pending: '計算中', time: (t) => `時刻 ${t} s`,
    },
  };

  const round = (v) => Number(v.toPrecision(SIGNIFICANT));
  const clamp = (v, control) => Math.min(Math.max(v, control.min), control.max);

  // One unit of a logarithmic slider's last significant digit at v, going up or down.
  function unit(v, up) {
    const decade = Math.floor(Math.log10(v) + (up ? DECADE_EPS : -DECADE_EPS));
    return Math.pow(10, decade - (SIGNIFICANT - 1));
  }

  function stepped(control, value, up, fine) {
    const sign = up ? 1 : -1;
    if (!control.log) {
      const step = control.step * (fine ? 1 : COARSE);
      return Number((Math.round(value / control.step) * control.step + sign * step).toFixed(10));
    }
    if (fine) return round(value + sign * unit(value, up));
    const factor = Math.pow(control.max / control.min, (sign * LOG_COARSE) / LOG_STEPS);
    const next = round(value * factor);
    return next === value ? round(value + sign * unit(value, up)) : next;
  }

  window.AgvsimAccess = function ({ mechanisms, region, timeRegion, radius, reportStable }) {
    let poleLines = []; // loops.js's sentences, a line per mechanism
    let lastApplied = null, currentLang = 'en'; // the settings and language the region speaks of

    function sliderKey(event, control, value) {
      if (event.ctrlKey || event.metaKey || event.altKey) return null;
      const up = event.key === 'ArrowRight' || event.key === 'ArrowUp';
      const down = event.key === 'ArrowLeft' || event.key === 'ArrowDown';
      if (event.key === 'Home') return control.min;
      if (event.key === 'End') return control.max;
      if (!up && !down) return null;
      const inside = clamp(value, control);
      if ((up && value >= control.max) || (down && value <= control.min)) return null;
      return clamp(stepped(control, inside, up, event.shiftKey), control);
    }

    function valueText(key, value, lang) {
      const names = UNITS[lang][key];
      if (!names) return String(value);
      const name = names.length > 1 && value !== 1 ? names[1] : names[0];
      return `${value} ${name}`;
    }

    // marks: [mechanism, Tsmax [s], path limit [s] or null]; in words, a mechanism a sentence.
    function marksText(marks, lang) {
      const t = TEXTS[lang], s = (v) => (Number.isFinite(v) ? v.toFixed(3) : String(v));
      return marks.map(([m, tsmax, limit]) => t.mark(m, s(tsmax), limit === null ? t.pending : `${s(limit)} s`)).join('. ') + '.';
    }

    function render(lang) {
      if (lastApplied === null) return;
      const t = TEXTS[lang], a = lastApplied, path = t.path[a.path];
      region.textContent = mechanisms.map((m, i) => {
        const r = radius(i), pole = poleLines[i] || '';
        const said = Number.isFinite(r) ? t.result(m, path, r.toFixed(3), a.Ts, r < 1, reportStable(i)) : t.noRadius(m, path, a.Ts);
        return pole === '' ? said : `${said}; ${pole.startsWith(m + ': ') ? pole.slice(m.length + 2) : pole}`;
      }).join('\n');
    }

    return {
      sliderKey,
      valueText,
      marksText,
      // loops.js's sentences arrive here (it writes textContent); the region is written with them.
      poleSink: { set textContent(text) { poleLines = text.split('\n'); render(currentLang); } },
      // Before loops.js speaks (or renders its sentences again in another language).
      speak(applied, lang) {
        lastApplied = Object.assign({}, applied);
        currentLang = lang;
      },
      sayTime(t, lang) { timeRegion.textContent = TEXTS[lang].time(t.toFixed(2)); },
    };
  };
})();
