// agvsim's lab: comparing runs. It owns the kept sets (up to three, each a copy
// of the shown mechanism's continuous and sampled-data records, its gains, its
// poles at Ts and its locus, with the settings they were run with), their list
// with a remove button each, the three-mechanisms view (the three mechanisms'
// sampled-data trajectories of the current settings over the picture, with a
// legend of the report's verdict and the path's verdict per mechanism), and
// their parts of the CSV export and of results().
//
//   const compare = AgvsimCompare(host);  // once the lab's program has started
//   compare.frameDrawn();                  // after each batch of the picture's commands
//   compare.plotsKept(), compare.zplaneKept()  // the kept sets for plots.js and zplane.js
//   compare.csv(text), compare.results(), compare.renderTexts(lang), compare.clear()
//
// host (lab.js): canvas (the picture), view() {viewScale, viewPanX, viewPanY,
// phasePlaneX, phasePlaneY} [window units], applied() (the settings the core
// holds: the same object until the next update), runs(i, controller) (fresh
// copies of a run's records), gains(), poles() (the z-plane panel's data),
// ensureAllRuns(), reportStable(i), radius(i) (the loop's spectral radius at Ts
// on the applied path), fields (the CSV's record fields), redraw() (the picture
// and the panel again), lang().
//
// The picture is the program's; the kept and the three mechanisms' traces are
// painted over each frame once it is complete (a microtask after its last
// batch), by the program's mapping: a world point (x, y) [m] at window units
// ((x + WORLD_SHIFT_X) viewScale + viewPanX, (y + WORLD_SHIFT_Y) viewScale + viewPanY)
// (graphics/scene.h), an error (dd [m], eth [rad]) at the phase plane's centre
// plus (dd PHASE_HALF / PHASE_DD_RANGE, eth PHASE_HALF / PHASE_ETH_RANGE)
// (graphics/phase_plane.h); window units at 400 CSS px a unit from the
// canvas's centre, y up. The trajectories are left out under the phase plane's
// white panel, as the program's are; the phase curves leave out a segment
// where eth jumps by pi or more. The overlay is painted on an offscreen canvas
// once per view and content, and copied onto each frame.
(function () {
  'use strict';

  const MAX_SETS = 3;
  const MECHANISMS = ['2DW1C', '1FDW1FS', '1RDW1FS'];
  const SIDE = 800, PIXELS_PER_UNIT = SIDE / 2; // [CSS px] the picture, a window unit
  const WORLD_SHIFT_X = -2.0, WORLD_SHIFT_Y = -0.5; // [m] graphics/scene.h
  const PHASE_HALF = 0.3, PHASE_DD_RANGE = 1.0, PHASE_ETH_RANGE = Math.PI; // [window units], [m], [rad]
  const PANEL_MARGIN = 0.1, PANEL_WIDTH = 2.0, PANEL_HEIGHT = 10.0; // [window units] the phase plane's white panel
  const LINE_WIDTH = 2; // [CSS px] as the program's trajectories (0.005 window units)
  // A kept set's style by its place in the list (the list's swatches say which is which).
  const KEPT_DASHES = [[], [8, 5], [2, 4]]; // [CSS px]
  const KEPT_COLOURS = { continuous: 'rgba(0, 0, 255, 0.35)', sampled: 'rgba(0, 160, 0, 0.35)' };
  // The three mechanisms' sampled-data trajectories.
  const THREE_STYLES = [{ colour: 'rgb(200, 0, 200)', dash: [] }, { colour: 'rgb(230, 120, 0)', dash: [10, 5] },
    { colour: 'rgb(0, 150, 170)', dash: [3, 4] }];
  const RADIUS_DIGITS = 3;

  const TEXTS = {
    en: {
      keep: 'Keep', three: 'Three mechanisms', csvKept: 'with kept sets', remove: 'Remove',
      removeSet: (k) => `Remove kept set ${k}`, full: `Up to ${MAX_SETS} kept sets: remove one first.`,
      kept: 'Kept sets (faint: continuous blue, sampled-data green)',
      path: { line: 'line', circle: 'circle' }, start: 'start', stable: 'stable', unstable: 'unstable',
      verdicts: (m, report, path, r, pathStable) => `${m}: report ${report}; on the ${path}: radius ${r}, ${pathStable}`,
    },
    ja: {
      keep: '保持', three: '3機構を重ねる', csvKept: '保持した走行も', remove: '削除',
      removeSet: (k) => `保持 ${k} を削除`, full: `保持は ${MAX_SETS} 組まで: 先に1組削除する。`,
      kept: '保持した走行 (淡色: 連続制御 青, サンプル値制御 緑)',
      path: { line: '直線', circle: '円弧' }, start: '始点', stable: '安定', unstable: '不安定',
      verdicts: (m, report, path, r, pathStable) => `${m}: 報告 ${report}、${path}上: 半径 ${r}、${pathStable}`,
    },
  };

  const $ = (id) => document.getElementById(id);

  window.AgvsimCompare = function (host) {
    const sets = [];
    let lang = host.lang();
    let scheduled = false;
    const sheet = document.createElement('canvas'); // the overlay
    let sheetKey = ''; // the view and size it was painted for
    let dirty = true; // its content changed since
    let three = null; // the three mechanisms' trajectories of host.applied(): {applied, runs, legend}
    const t = () => TEXTS[lang];

    // ---- The settings in words -------------------------------------------------

    function label(mechanism, s) {
      const tx = t();
      return `${MECHANISMS[mechanism - 1]}, ${tx.path[s.path]}, fn ${s.fn} Hz, ζ ${s.zeta}, Ts ${s.Ts} s, `
        + `${tx.start} (${s.x}, ${s.y}, ${s.th}°)`;
    }

    // ---- Keeping and removing ----------------------------------------------------

    function keep() {
      if (sets.length === MAX_SETS) return;
      const a = host.applied(), i = a.mechanism - 1;
      const settings = { path: a.path, mechanism: a.mechanism, fn: a.fn, zeta: a.zeta, Ts: a.Ts, x: a.x, y: a.y, th: a.th };
      const p = host.poles();
      const poles = { model: p.model, report: p.report, mapped: p.mapped,
        locus: p.locus && { ts: Array.from(p.locus.ts), poles: p.locus.poles } };
      sets.push({ settings, gains: Object.assign({}, host.gains()), continuous: host.runs(i, 'continuous'),
        sampled: host.runs(i, 'sampled'), poles });
      changed();
    }

    function remove(k) {
      sets.splice(k, 1);
      changed();
    }

    function clear() {
      sets.length = 0;
      changed();
    }

    function changed() {
      dirty = true;
      renderList();
      host.redraw();
    }

    // ---- Drawing on the picture ----------------------------------------------------

    const toPixel = (X, Y) => [(X + 1) * PIXELS_PER_UNIT, (1 - Y) * PIXELS_PER_UNIT];

    // The polyline of records 0..count-2 (the records the program draws), broken
    // where a point is not finite or where skip(j) says so.
    function polyline(ctx, count, at, skip) {
      let pen = false;
      for (let j = 0; j + 1 < count; ++j) {
        const [x, y] = at(j);
        if (!Number.isFinite(x) || !Number.isFinite(y) || (j > 0 && skip(j))) pen = false;
        if (!Number.isFinite(x) || !Number.isFinite(y)) continue;
        if (pen) ctx.lineTo(x, y); else ctx.moveTo(x, y);
        pen = true;
      }
    }

    function stroke(ctx, colour, dash, paths) {
      ctx.strokeStyle = colour;
      ctx.setLineDash(dash);
      ctx.beginPath();
      paths();
      ctx.stroke();
    }

    // A run's trajectory (outside the phase plane's panel) and its phase curve.
    function paintRun(ctx, v, run, colour, dash, clip) {
      const world = (j) => toPixel((run.x[j] + WORLD_SHIFT_X) * v.viewScale + v.viewPanX,
        (run.y[j] + WORLD_SHIFT_Y) * v.viewScale + v.viewPanY);
      const phase = (j) => toPixel(v.phasePlaneX + (run.dd[j] * PHASE_HALF) / PHASE_DD_RANGE,
        v.phasePlaneY + (run.eth[j] * PHASE_HALF) / PHASE_ETH_RANGE);
      const n = run.t.length;
      ctx.save();
      clip();
      stroke(ctx, colour, dash, () => polyline(ctx, n, world, () => false));
      ctx.restore();
      stroke(ctx, colour, dash, () => polyline(ctx, n, phase, (j) => !(Math.abs(run.eth[j] - run.eth[j - 1]) < PHASE_ETH_RANGE)));
    }

    function paintSheet(v, width, height) {
      if (sheet.width !== width || sheet.height !== height) { sheet.width = width; sheet.height = height; }
      const ctx = sheet.getContext('2d');
      ctx.setTransform(1, 0, 0, 1, 0, 0);
      ctx.clearRect(0, 0, width, height);
      ctx.setTransform(width / SIDE, 0, 0, height / SIDE, 0, 0);
      ctx.lineWidth = LINE_WIDTH;
      ctx.lineJoin = 'round';
      const [left, top] = toPixel(v.phasePlaneX - PHASE_HALF - PANEL_MARGIN, v.phasePlaneY - PHASE_HALF - PANEL_MARGIN + PANEL_HEIGHT);
      const clip = () => { // everything but the panel
        ctx.beginPath();
        ctx.rect(0, 0, SIDE, SIDE);
        ctx.rect(left, top, PANEL_WIDTH * PIXELS_PER_UNIT, PANEL_HEIGHT * PIXELS_PER_UNIT);
        ctx.clip('evenodd');
      };
      sets.forEach((set, k) => ['continuous', 'sampled'].forEach((c) => paintRun(ctx, v, set[c], KEPT_COLOURS[c], KEPT_DASHES[k], clip)));
      if (three) three.runs.forEach((run, i) => paintRun(ctx, v, run, THREE_STYLES[i].colour, THREE_STYLES[i].dash, clip));
    }

    // The three mechanisms' sampled-data runs and verdicts, once per update while shown.
    function threeOfApplied() {
      const shown = $('lab-three').checked, applied = host.applied();
      if (!shown) {
        if (three !== null) { three = null; dirty = true; $('lab-three-legend').hidden = true; }
        return;
      }
      if (three !== null && three.applied === applied) return;
      host.ensureAllRuns();
      three = { applied, runs: MECHANISMS.map((_, i) => host.runs(i, 'sampled')),
        radius: MECHANISMS.map((_, i) => host.radius(i)), stable: MECHANISMS.map((_, i) => host.reportStable(i)) };
      dirty = true;
      renderLegend();
    }

    function overlay() {
      scheduled = false;
      threeOfApplied();
      const canvas = host.canvas, v = host.view();
      if (sets.length === 0 && three === null) return;
      const key = [v.viewScale, v.viewPanX, v.viewPanY, v.phasePlaneX, v.phasePlaneY, canvas.width, canvas.height].join();
      if (dirty || key !== sheetKey) {
        paintSheet(v, canvas.width, canvas.height);
        sheetKey = key;
        dirty = false;
      }
      const ctx = canvas.getContext('2d');
      ctx.save();
      ctx.setTransform(1, 0, 0, 1, 0, 0);
      ctx.drawImage(sheet, 0, 0);
      ctx.restore();
    }

    // ---- The page's elements ---------------------------------------------------------

    function renderList() {
      const tx = t(), list = $('lab-kept');
      list.innerHTML = '';
      sets.forEach((set, k) => {
        const item = document.createElement('li'), swatch = document.createElement('span'), button = document.createElement('button');
        swatch.className = `swatch kept${k + 1}`;
        button.type = 'button';
        button.textContent = tx.remove;
        button.setAttribute('aria-label', tx.removeSet(k + 1));
        button.addEventListener('click', () => remove(k));
        item.append(swatch, `${k + 1}: ${label(set.settings.mechanism, set.settings)} `, button);
        list.append(item);
      });
      $('lab-kept-caption').hidden = sets.length === 0;
      $('lab-keep').disabled = sets.length === MAX_SETS;
      $('lab-keep-full').hidden = sets.length < MAX_SETS;
    }

    function renderLegend() {
      const tx = t(), legend = $('lab-three-legend');
      legend.hidden = three === null;
      if (three === null) return;
      const verdict = (stable) => (stable ? tx.stable : tx.unstable);
      legend.innerHTML = '';
      MECHANISMS.forEach((m, i) => {
        const item = document.createElement('li'), swatch = document.createElement('span'), r = three.radius[i];
        swatch.className = `swatch three${i + 1}`;
        item.append(swatch, tx.verdicts(m, verdict(three.stable[i]), tx.path[three.applied.path],
          Number.isFinite(r) ? r.toFixed(RADIUS_DIGITS) : String(r), verdict(r < 1)));
        legend.append(item);
      });
    }

    function renderTexts(language) {
      lang = language in TEXTS ? language : 'en';
      document.querySelectorAll('[data-compare]').forEach((e) => { e.textContent = t()[e.dataset.compare]; });
      renderList();
      renderLegend();
    }

    // The checkbox by the CSV button.
    const option = document.createElement('label');
    option.className = 'csv-kept';
    option.innerHTML = '<input type="checkbox" id="lab-csv-kept"> <span data-compare="csvKept"></span>';
    $('lab-csv').after(option);
    $('lab-keep').addEventListener('click', keep);
    $('lab-three').addEventListener('change', () => { threeOfApplied(); host.redraw(); });
    renderTexts(lang);

    // ---- The CSV and results() ------------------------------------------------------------

    const quoted = (text) => `"${text.replace(/"/g, '""')}"`;

    // The current runs' CSV (header first, the mechanism in the first column) with the columns set
    // and label in front, then each kept set's two runs.
    function csv(text) {
      const lines = text.replace(/\n$/, '').split('\n'), a = host.applied();
      const out = ['set,label,' + lines[0]];
      for (const line of lines.slice(1)) {
        const m = MECHANISMS.indexOf(line.slice(0, line.indexOf(','))) + 1;
        out.push(`current,${quoted(label(m, a))},${line}`);
      }
      sets.forEach((set, k) => ['continuous', 'sampled'].forEach((c) => {
        const front = [`kept ${k + 1}`, quoted(label(set.settings.mechanism, set.settings)), MECHANISMS[set.settings.mechanism - 1], c];
        out.push(...window.AgvsimExports.runRows(front, set[c], c, host.fields));
      }));
      return out.join('\n') + '\n';
    }

    return {
      frameDrawn() {
        if (scheduled || (sets.length === 0 && !$('lab-three').checked && three === null)) return;
        scheduled = true;
        queueMicrotask(overlay);
      },
      plotsKept: () => sets.map((set, k) => ({ mechanism: set.settings.mechanism, gains: set.gains, continuous: set.continuous,
        sampled: set.sampled, dash: KEPT_DASHES[k] })),
      zplaneKept: () => sets.map((set) => set.poles),
      csv,
      results: () => sets.map((set, k) => ({ set: k + 1, label: label(set.settings.mechanism, set.settings),
        settings: Object.assign({}, set.settings) })),
      three: () => (three === null ? null : MECHANISMS.map((m, i) => ({ mechanism: m, reportStable: three.stable[i],
        radius: three.radius[i] }))),
      renderTexts,
      clear,
    };
  };
})();
