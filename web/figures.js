// agvsim's lab: the figures beside the controls. Owns the gains table, the
// table of each mechanism's loop (the report's verdict at Ts, Tsmax [s], the
// limit on the path [s] once the idle work has found it, the loop's spectral
// radius at Ts) and the marks of Tsmax and the path limits on the Ts slider's
// track, with the same marks in words for screen readers.
//
//   AgvsimFigures.render({ design, limits, radius, texts, marksText, tsControl, toSlider, steps })
//     design: lab.js's design() (gains, loops by mechanism); limits: the three
//     path limits [s] or null; radius(i); texts: the language's texts;
//     marksText(list) (access.js's words for the marks); tsControl, toSlider,
//     steps: the Ts slider's range and scale (settings.js).
// Called by lab.js when the design, Ts, the path, its limits or the language change.
(function () {
  'use strict';

  const MECHANISMS = ['2DW1C', '1FDW1FS', '1RDW1FS'];
  const GAIN_NAMES = ['kdPI1', 'kthPI1', 'kiPI1', 'kd2', 'kth2', 'kph2', 'kd3', 'kth3', 'kph3'];
  const $ = (id) => document.getElementById(id);

  function format(v, digits) {
    return Number.isFinite(v) ? v.toFixed(digits) : String(v);
  }

  // An element's markup, rewritten only when it differs (a Ts drag leaves the gains and marks as they
  // are: rewriting them would lay the controls out again at every change).
  const written = new WeakMap();
  function write(element, html) {
    if (written.get(element) === html) return;
    written.set(element, html);
    element.innerHTML = html;
  }

  function render({ design: d, limits, radius, texts: t, marksText, tsControl, toSlider, steps }) {
    const rows = GAIN_NAMES.map((n) => `<tr><th scope="row">${n}</th><td>${format(d.gains[n], 6)}</td></tr>`).join('');
    const loops = MECHANISMS.map((m, i) => {
      const loop = d.loops[m];
      return `<tr><th scope="row">${m}</th><td class="${loop.stable ? 'stable' : 'unstable'}">${loop.stable ? t.stable : t.unstable}</td>`
        + `<td>${format(loop.Tsmax, 3)}</td><td>${limits ? format(limits[i], 3) : t.pending}</td>`
        + `<td>${format(radius(i), 4)}</td></tr>`;
    }).join('');
    const box = $('lab-figures');
    if (box.children.length !== 2) box.innerHTML = '<table class="gains"></table><table class="loops"></table>';
    write(box.children[0], `<caption>${t.gains}</caption>${rows}`);
    write(box.children[1], `<caption>${t.loopsCaption}</caption><tr><th scope="col">${t.mechanismHead}</th>`
      + `<th scope="col">${t.verdict}</th><th scope="col">${t.Tsmax}</th><th scope="col">${t.pathLimit}</th>`
      + `<th scope="col">${t.radius}</th></tr>${loops}`);

    const marks = [];
    MECHANISMS.forEach((m, i) => {
      marks.push([d.loops[m].Tsmax, 'report', m]);
      if (limits) marks.push([limits[i], 'path', m]);
    });
    const words = marksText(MECHANISMS.map((m, i) => [m, d.loops[m].Tsmax, limits ? limits[i] : null]));
    if ($('lab-marks-Ts-words').textContent !== words) $('lab-marks-Ts-words').textContent = words;
    write($('lab-marks-Ts'), marks.filter(([v]) => v >= tsControl.min && v <= tsControl.max).map(([v, kind, m]) =>
      `<span class="mark ${kind} m${MECHANISMS.indexOf(m) + 1}" style="left:${(100 * toSlider(tsControl, v)) / steps}%" `
      + `title="${m} ${kind === 'report' ? 'Tsmax' : t.pathLimit} ${format(v, 3)} s"></span>`).join(''));
  }

  window.AgvsimFigures = { render, format };
})();
