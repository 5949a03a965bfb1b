// agvsim's lab: the loop analysis of the Lab's panels, read from the program's
// memory (web/lab.cpp's exports). It owns the poles at Ts, the loci against Ts
// and the margins as lab.cpp leaves them in its buffers; the loci's progress
// for one design and path (the report's route at once, the model's in idle
// slices); the sentences per mechanism; the data of the z-plane panel
// (zplane.js) and of the frequency panel (frequency.js); and the analysis's
// part of results() and the locus as CSV.
//
//   const loops = AgvsimLoops(module, address, { mechanisms, paths, sentences });
//     module: the lab's program instance; address: lab.cpp's buffers by name
//     (lab.js's ADDRESS); mechanisms, paths: their names in lab.cpp's order;
//     sentences: the element the sentences are written to.
//   Every call takes applied, the settings the core holds ({path, mechanism
//   1..3, fn, zeta, Ts, ...}); lang is 'en' | 'ja'.
//
// Units: Ts [s], omega [rad/s], magnitude [dB], phase and margins [deg] (gain
// margins [dB]), the deadlines of the slices [ms] of performance.now(); a pole
// is [re, im]. Called by lab.js, which alone schedules: drawPanel() draws the
// panel data, its idle work calls speak() and locusSlice().
(function () {
  'use strict';

  // The buffers' shapes (sim/poles.h, web/lab.cpp): poles a mechanism and route, the locus grid, the frequency grid.
  const ROUTES = ['report', 'model'];
  const REPORT = 0, MODEL = 1; // indices of ROUTES
  const SAMPLED_POLES = 4, CONTINUOUS_POLES = 3, LOCUS_POINTS = 200, FREQUENCY_POINTS = 320;
  const POLE_BYTES = 16, DOUBLE_BYTES = 8; // a pole is two doubles
  const MARGIN_FIELDS = ['crossover', 'phaseMargin', 'lowerCrossover', 'lowerGainMargin', 'upperCrossover', 'upperGainMargin'];
  const BUDGET_FIELDS = ['continuousMargin', 'hold', 'delay', 'left', 'sampledMargin'];
  const CROSSING_FIELDS = 3; // Ts and the crossing pole's re, im
  const RESPONSE_PARTS = 4; // continuous magnitude and phase, sampled magnitude and phase
  const SLICE_MS = 30; // [ms] of model-route locus points an idle task
  const FREQUENCY_SPAN = 20; // the frequency axis starts at min(wn, pi / Ts) / FREQUENCY_SPAN

  window.AgvsimLoops = function (module, address, { mechanisms, paths, sentences }) {
    let locus = null; // the loci's progress for one design and path
    let spoken = null; // the largest poles of the sentences, once the input rests

    const heapF64 = (at, count) => module.HEAPF64.subarray(at >> 3, (at >> 3) + count);
    const pathIndex = (applied) => paths.indexOf(applied.path);

    // n poles (re, im doubles) from the program's memory as [re, im] pairs.
    function pairs(at, n) {
      const a = heapF64(at, 2 * n);
      return Array.from({ length: n }, (_, k) => [a[2 * k], a[2 * k + 1]]);
    }
    const slot = (i, route) => ROUTES.length * i + route; // [mechanism][route] in lab.cpp's buffers
    const polesAt = (i, route) => pairs(address.polesAtTs + POLE_BYTES * SAMPLED_POLES * slot(i, route), SAMPLED_POLES);
    const mappedAt = (i) => pairs(address.mappedAtTs + POLE_BYTES * CONTINUOUS_POLES * i, CONTINUOUS_POLES);
    const largest = (poles) => Math.max(...poles.map(([re, im]) => Math.hypot(re, im)));

    function locusOf(i, route) {
      const base = address.locusPoles + POLE_BYTES * SAMPLED_POLES * LOCUS_POINTS * slot(i, route);
      const c = heapF64(address.locusCrossing + DOUBLE_BYTES * CROSSING_FIELDS * slot(i, route), CROSSING_FIELDS);
      return { poles: Array.from({ length: LOCUS_POINTS }, (_, k) => pairs(base + POLE_BYTES * SAMPLED_POLES * k, SAMPLED_POLES)),
        largest: Array.from(heapF64(address.locusLargest + DOUBLE_BYTES * LOCUS_POINTS * slot(i, route), LOCUS_POINTS)),
        crossing: { Ts: c[0], pole: [c[1], c[2]] } };
    }

    function marginsOf(i) {
      const n = MARGIN_FIELDS.length;
      const m = heapF64(address.margins + DOUBLE_BYTES * 2 * n * i, 2 * n);
      const b = heapF64(address.budget + DOUBLE_BYTES * BUDGET_FIELDS.length * i, BUDGET_FIELDS.length);
      const record = (a, names) => Object.fromEntries(names.map((name, k) => [name, a[k]]));
      return { continuous: record(m.subarray(0, n), MARGIN_FIELDS), sampled: record(m.subarray(n), MARGIN_FIELDS),
        budget: record(b, BUDGET_FIELDS) };
    }

    // ---- The loci, computed in slices ---------------------------------------

    // The loci of the applied design and path: grid points done and crossing found, by mechanism and route.
    function locusState(applied) {
      const key = [applied.fn, applied.zeta, applied.path].join();
      if (locus === null || locus.key !== key) {
        locus = { key, done: mechanisms.map(() => [0, 0]), crossed: mechanisms.map(() => [false, false]) };
      }
      return locus;
    }

    // Mechanism i's locus by route: grid points until the clock [ms] passes deadline, or, once all are
    // done, the crossing. True once complete.
    function locusWork(applied, i, route, deadline) {
      const L = locusState(applied), path = pathIndex(applied);
      if (L.done[i][route] < LOCUS_POINTS) {
        do module._agvLabLocusSlice(i, route, path, L.done[i][route]++, 1);
        while (L.done[i][route] < LOCUS_POINTS && performance.now() < deadline);
      } else if (!L.crossed[i][route]) {
        module._agvLabLocusCrossing(i, route, path);
        L.crossed[i][route] = true;
      }
      return L.crossed[i][route];
    }

    function completeLocus(applied, i, route) {
      while (!locusWork(applied, i, route, Infinity));
    }

    // ---- The sentences --------------------------------------------------------

    // Each mechanism's largest pole at Ts by the model on the chosen path, in words.
    function speak(applied, lang) {
      spoken = mechanisms.map((m, i) => {
        module._agvLabPoles(i, pathIndex(applied), applied.Ts, 1);
        return largest(polesAt(i, MODEL));
      });
      renderSentences(lang);
    }

    function renderSentences(lang) {
      if (spoken === null) return;
      sentences.textContent = spoken.map((r, i) => window.AgvsimZPlane.sentence(lang, mechanisms[i], r)).join('\n');
    }

    // ---- The panels' data -------------------------------------------------------

    // The shown mechanism's poles at Ts; on the line the report's locus (at once) until the model's is
    // complete, on the circle the model's as far as it is done.
    function zplaneData(applied) {
      const i = applied.mechanism - 1, line = applied.path === 'line', L = locusState(applied);
      module._agvLabPoles(i, pathIndex(applied), applied.Ts, 1);
      if (line) completeLocus(applied, i, REPORT);
      const route = line && !L.crossed[i][MODEL] ? REPORT : MODEL, shown = locusOf(i, route);
      return { mechanism: mechanisms[i], Ts: applied.Ts, model: polesAt(i, MODEL), report: line ? polesAt(i, REPORT) : null,
        mapped: mappedAt(i),
        locus: { ts: heapF64(address.locusTs, LOCUS_POINTS), poles: shown.poles.slice(0, L.done[i][route]),
          route: ROUTES[route], complete: L.crossed[i][route] },
        crossing: L.crossed[i][route] ? shown.crossing : null };
    }

    // The shown mechanism's loop about the straight line (the report's analysis, whichever the path).
    function frequencyData(applied) {
      const i = applied.mechanism - 1, top = Math.PI / applied.Ts, wn = module.HEAPF64[address.wn >> 3];
      module._agvLabFrequency(i, applied.Ts, Math.min(wn, top) / FREQUENCY_SPAN, top);
      module._agvLabMargins(i, applied.Ts);
      const r = heapF64(address.frequencyResponse, RESPONSE_PARTS * FREQUENCY_POINTS), m = marginsOf(i);
      const part = (k) => r.slice(k * FREQUENCY_POINTS, (k + 1) * FREQUENCY_POINTS);
      return { mechanism: mechanisms[i], Ts: applied.Ts, omega: heapF64(address.frequencyOmega, FREQUENCY_POINTS).slice(),
        continuous: { mag: part(0), phase: part(1) }, sampled: { mag: part(2), phase: part(3) }, margins: m, budget: m.budget };
    }

    // ---- Results and the CSV ------------------------------------------------------

    // Per mechanism at Ts: both routes' poles (the model's on the chosen path), the continuous ones mapped.
    function polesResults(applied) {
      const out = {};
      mechanisms.forEach((m, i) => {
        module._agvLabPoles(i, pathIndex(applied), applied.Ts, 1);
        const [report, model] = [polesAt(i, REPORT), polesAt(i, MODEL)];
        out[m] = { report, model, mapped: mappedAt(i), largest: { report: largest(report), model: largest(model) } };
      });
      module._agvLabPoles(applied.mechanism - 1, pathIndex(applied), applied.Ts, 1); // the shown one's, as drawn
      return out;
    }

    // Every mechanism's locus by both routes on the chosen path (computed now where not done yet).
    function locusResults(applied) {
      const out = { path: applied.path, Ts: Array.from(heapF64(address.locusTs, LOCUS_POINTS)) };
      mechanisms.forEach((m, i) => {
        out[m] = {};
        ROUTES.forEach((route, r) => { completeLocus(applied, i, r); out[m][route] = locusOf(i, r); });
      });
      return out;
    }

    // results()'s poles, locus and margins (each mechanism's, at Ts).
    function results(applied) {
      const margins = Object.fromEntries(mechanisms.map((m, i) => {
        module._agvLabMargins(i, applied.Ts);
        return [m, marginsOf(i)];
      }));
      return { poles: polesResults(applied), locus: locusResults(applied), margins };
    }

    function locusCsv(applied) {
      const r = locusResults(applied);
      const z = Array.from({ length: SAMPLED_POLES }, (_, k) => [`re z${k + 1} [1]`, `im z${k + 1} [1]`]).flat();
      const lines = [['mechanism', 'route', 'path', 'Ts [s]'].concat(z, ['largest |z| [1]']).join(',')];
      mechanisms.forEach((m) => ROUTES.forEach((route) => r.Ts.forEach((ts, k) => {
        lines.push([m, route, r.path, ts].concat(r[m][route].poles[k].flat(), [r[m][route].largest[k]]).join(','));
      })));
      return lines.join('\n') + '\n';
    }

    return {
      // After a change of the settings: the sentences are spoken anew once the input rests (the shown
      // ones stay until then).
      changed() { spoken = null; },
      speakPending: () => spoken === null,
      speak,
      renderSentences,
      // The shown mechanism's locus by the model not complete yet; a slice of it (SLICE_MS of grid
      // points, or its crossing).
      locusPending: (applied) => !locusState(applied).crossed[applied.mechanism - 1][MODEL],
      locusSlice: (applied) => locusWork(applied, applied.mechanism - 1, MODEL, performance.now() + SLICE_MS),
      zplaneData,
      frequencyData,
      results,
      locusCsv,
    };
  };
})();
