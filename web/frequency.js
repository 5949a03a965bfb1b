// agvsim's lab: the frequency panel, drawn with the canvas's 2D context. The
// shown mechanism's loop linearised about the straight line (the report's
// analysis: the same whichever path is chosen, as its caption says), broken at
// the command: Bode magnitude [dB] and phase [deg] of the continuous loop (blue) and of the sampled loop at Ts with its
// hold and one-period delay (green, up to pi / Ts), on a logarithmic omega
// axis [rad/s]; the gain crossover wc, the phase margin and both gain margins
// marked and named (the lower one, where the phase rises through -180 deg
// below wc: the gain may fall; the upper one, where the hold and the delay
// bring it down through -180 deg again: the gain may rise, and Ts uses it up);
// below, the phase budget as a bar: the continuous margin, less the hold
// wc Ts / 2 and the delay wc Ts, leaves `left`, against the sampled loop's
// exact margin.
//
//   const frequency = new AgvsimFrequency(canvas);
//   frequency.draw(data, lang);   // data null clears; lang 'en' | 'ja'
//
// data: {mechanism: name, Ts [s], omega: [rad/s] increasing,
//        continuous: {mag [dB], phase [deg]}, sampled: {mag, phase} (NaN: not drawn),
//        margins: {continuous, sampled}: {crossover, phaseMargin, lowerCrossover,
//          lowerGainMargin, upperCrossover, upperGainMargin} ([rad/s], [deg], [dB]),
//        budget: {continuousMargin, hold, delay, left, sampledMargin} [deg]}
// The canvas's CSS size is the page's; its backing store has devicePixelRatio
// device pixels per CSS pixel and follows resizes. Called by lab.js, with the
// data of loops.js's frequencyData.
(function () {
  'use strict';

  const BLUE = 'rgb(0, 0, 255)', GREEN = 'rgb(0, 160, 0)', INK = 'rgb(10, 10, 10)', ZERO = 'rgb(170, 170, 170)';
  const HOLD = 'rgb(150, 150, 150)', DELAY = 'rgb(95, 95, 95)', SHORT = 'rgb(200, 0, 0)';
  const FONT = '12px Helvetica, Arial, "Liberation Sans", "Nimbus Sans", sans-serif';
  const LEFT = 56, RIGHT = 12, HEADER = 20, GAP = 22, AXIS = 30, LINE = 15, BAR = 14; // [CSS px]
  const BUDGET_LINES = 2; // text lines of the budget, with its two bars
  const MAG_RANGE = [-60, 80], PHASE_RANGE = [-540, 0]; // [dB], [deg] the plotted values are clipped to
  const PHASE_TICK = 45; // [deg]

  const TEXTS = {
    en: {
      omega: 'ω [rad/s]', mag: '|L| [dB]', phase: 'phase of L [deg]', continuous: 'continuous', sampled: (ts) => `sampled at Ts = ${ts} s`,
      wc: 'ωc', pm: 'PM', lower: 'lower GM', upper: 'upper GM',
      summary: (name, m, loop) => [`${name}: ωc ${f(m.crossover, 3)} rad/s`, `phase margin ${f(m.phaseMargin, 2)}°`,
        `lower gain margin (gain may fall) ${f(m.lowerGainMargin, 2)} dB at ${f(m.lowerCrossover, 3)} rad/s`,
        loop === 'continuous' ? 'no upper gain margin' : `upper gain margin (gain may rise; Ts uses it up) ${f(m.upperGainMargin, 2)} dB at ${f(m.upperCrossover, 3)} rad/s`],
      budget: (b, wc) => `phase budget at the continuous ωc = ${f(wc, 3)} rad/s: ${f(b.continuousMargin, 2)}° − hold ωc·Ts/2 ${f(b.hold, 2)}°`
        + ` − delay ωc·Ts ${f(b.delay, 2)}° = ${f(b.left, 2)}° left; the sampled loop's exact margin ${f(b.sampledMargin, 2)}°`,
      cm: 'continuous margin', hold: 'hold', delay: 'delay', left: 'left',
      caption: (name) => [`${name}: the loop about the straight line (the report's analysis)`, 'the same on either path'],
    },
    ja: {
      omega: 'ω [rad/s]', mag: '|L| [dB]', phase: 'L の位相 [deg]', continuous: '連続系', sampled: (ts) => `サンプル値系 Ts = ${ts} s`,
      wc: 'ωc', pm: '位相余裕', lower: '下側GM', upper: '上側GM',
      summary: (name, m, loop) => [`${name}: ωc ${f(m.crossover, 3)} rad/s`, `位相余裕 ${f(m.phaseMargin, 2)}°`,
        `下側ゲイン余裕 (ゲインが下がってよい量) ${f(m.lowerGainMargin, 2)} dB (${f(m.lowerCrossover, 3)} rad/s)`,
        loop === 'continuous' ? '上側ゲイン余裕なし' : `上側ゲイン余裕 (ゲインが上がってよい量, Ts が使う) ${f(m.upperGainMargin, 2)} dB (${f(m.upperCrossover, 3)} rad/s)`],
      budget: (b, wc) => `連続系の ωc = ${f(wc, 3)} rad/s での位相の収支: ${f(b.continuousMargin, 2)}° − 保持 ωc·Ts/2 ${f(b.hold, 2)}°`
        + ` − 遅れ ωc·Ts ${f(b.delay, 2)}° = 残り ${f(b.left, 2)}°; サンプル値系の正確な余裕 ${f(b.sampledMargin, 2)}°`,
      cm: '連続系の余裕', hold: '保持', delay: '遅れ', left: '残り',
      caption: (name) => [`${name}: 直線まわりのループ (報告の解析)、どちらの経路でも同じ`],
    },
  };

  function f(v, digits) { return Number.isFinite(v) ? v.toFixed(digits) : '–'; }

  // The finite range of values within bounds, widened to whole steps.
  function range(arrays, bounds, step) {
    let lo = Infinity, hi = -Infinity;
    for (const a of arrays) for (const v of a) if (Number.isFinite(v)) { lo = Math.min(lo, v); hi = Math.max(hi, v); }
    if (lo > hi) return bounds;
    lo = Math.max(bounds[0], Math.floor(lo / step) * step); hi = Math.min(bounds[1], Math.ceil(hi / step) * step);
    return lo < hi ? [lo, hi] : [lo - step, hi + step];
  }

  // Splits text at ', ' into lines no wider than width.
  function wrap(ctx, parts, width) {
    const lines = [];
    for (const part of parts) {
      const last = lines.length ? lines[lines.length - 1] + ', ' + part : part;
      if (lines.length && ctx.measureText(last).width <= width) lines[lines.length - 1] = last; else lines.push(part);
    }
    return lines;
  }

  class AgvsimFrequency {
    constructor(canvas) {
      this.canvas = canvas; this.ctx = canvas.getContext('2d'); this.data = null; this.lang = 'en'; this.size = '';
      if (window.ResizeObserver) new ResizeObserver(() => { if (this.sizeKey() !== this.size) this.paint(); }).observe(canvas);
    }

    sizeKey() { return this.canvas.clientWidth + 'x' + this.canvas.clientHeight + '@' + (window.devicePixelRatio || 1); }

    draw(data, lang) {
      this.data = data; this.lang = lang in TEXTS ? lang : 'en';
      this.paint();
    }

    paint() {
      const ratio = window.devicePixelRatio || 1, w = this.canvas.clientWidth, h = this.canvas.clientHeight, c = this.canvas;
      this.size = this.sizeKey();
      const width = Math.round(w * ratio), height = Math.round(h * ratio);
      if (c.width !== width || c.height !== height) { c.width = width; c.height = height; }
      const ctx = this.ctx;
      ctx.setTransform(1, 0, 0, 1, 0, 0); ctx.clearRect(0, 0, width, height);
      if (!this.data || w < LEFT + RIGHT + 40) return;
      ctx.setTransform(ratio, 0, 0, ratio, 0, 0);
      ctx.fillStyle = 'white'; ctx.fillRect(0, 0, w, h);
      ctx.font = FONT; ctx.textBaseline = 'middle'; ctx.lineWidth = 1;
      this.paintAll(ctx, w, h);
    }

    paintAll(ctx, w, h) {
      const d = this.data, t = TEXTS[this.lang], x0 = LEFT, x1 = w - RIGHT, m = d.margins;
      const summaries = [['continuous', t.continuous, BLUE], ['sampled', t.sampled(d.Ts), GREEN]].map(([loop, name, colour]) =>
        wrap(ctx, t.summary(name, m[loop], loop), x1 - x0).map((line) => [line, colour]));
      const budgetText = wrap(ctx, t.budget(d.budget, m.continuous.crossover).split(/(?<=;) /), x1 - x0);
      const caption = wrap(ctx, t.caption(d.mechanism), x1 - x0).map((line) => [line, INK]);
      const textLines = caption.concat(summaries.flat(), budgetText.map((line) => [line, INK]));
      const fixed = HEADER + GAP + AXIS + LINE * textLines.length + BUDGET_LINES * (BAR + 4) + LINE + 8;
      const plotHeight = (h - fixed) / 2;
      if (plotHeight < 30) return;
      const w0 = d.omega[0], w1 = d.omega[d.omega.length - 1], lw = Math.log(w1 / w0);
      const X = (omega) => x0 + ((x1 - x0) * Math.log(omega / w0)) / lw;
      const plots = [
        { key: 'mag', label: t.mag, top: HEADER, range: range([d.continuous.mag, d.sampled.mag], MAG_RANGE, 20), zero: 0 },
        { key: 'phase', label: t.phase, top: HEADER + plotHeight + GAP, range: range([d.continuous.phase, d.sampled.phase], PHASE_RANGE, PHASE_TICK), zero: -180 },
      ];
      for (const p of plots) {
        const [lo, hi] = p.range, Y = p.Y = (v) => p.top + plotHeight - ((Math.min(hi, Math.max(lo, v)) - lo) / (hi - lo)) * plotHeight;
        ctx.strokeStyle = ZERO; ctx.beginPath(); ctx.moveTo(x0, Y(p.zero)); ctx.lineTo(x1, Y(p.zero)); ctx.stroke();
        ctx.save(); ctx.beginPath(); ctx.rect(x0, p.top, x1 - x0, plotHeight); ctx.clip();
        for (const [loop, colour] of [['continuous', BLUE], ['sampled', GREEN]]) {
          const y = d[loop][p.key];
          ctx.strokeStyle = colour; ctx.lineWidth = 1.5; ctx.beginPath();
          let pen = false;
          for (let k = 0; k < d.omega.length; k++) {
            if (!Number.isFinite(y[k])) { pen = false; continue; }
            if (pen) ctx.lineTo(X(d.omega[k]), Y(y[k])); else { ctx.moveTo(X(d.omega[k]), Y(y[k])); pen = true; }
          }
          ctx.stroke();
        }
        ctx.restore();
        ctx.lineWidth = 1; ctx.strokeStyle = ctx.fillStyle = INK;
        ctx.strokeRect(x0, p.top, x1 - x0, plotHeight);
        const step = p.key === 'mag' ? (hi - lo > 80 ? 40 : 20) : (hi - lo > 180 ? 90 : PHASE_TICK);
        ctx.textAlign = 'right'; ctx.beginPath();
        for (let v = Math.ceil(lo / step) * step; v <= hi; v += step) { ctx.moveTo(x0 - 4, Y(v)); ctx.lineTo(x0, Y(v)); ctx.fillText(String(v), x0 - 6, Y(v)); }
        ctx.stroke();
        ctx.textAlign = 'left'; ctx.fillText(p.label, x0, p.top - HEADER / 2);
      }
      const bottom = plots[1].top + plotHeight;
      ctx.textAlign = 'center'; ctx.beginPath();
      for (let e = Math.ceil(Math.log10(w0)); e <= Math.floor(Math.log10(w1)); e++) {
        const x = X(Math.pow(10, e));
        ctx.moveTo(x, bottom); ctx.lineTo(x, bottom + 4); ctx.fillText(String(Math.pow(10, e)), x, bottom + 12);
      }
      ctx.stroke();
      ctx.fillText(t.omega, (x0 + x1) / 2, bottom + 24);
      this.paintMarks(ctx, plots, X, plotHeight, t);
      let x = x1; // the legend, right-aligned on the magnitude's label line
      ctx.textAlign = 'left';
      for (const [text, colour] of [[t.sampled(d.Ts), GREEN], [t.continuous, BLUE]]) {
        x -= ctx.measureText(text).width;
        ctx.fillStyle = INK; ctx.fillText(text, x, HEADER / 2);
        ctx.strokeStyle = colour; ctx.lineWidth = 2; ctx.beginPath(); ctx.moveTo(x - 24, HEADER / 2); ctx.lineTo(x - 4, HEADER / 2); ctx.stroke();
        x -= 40;
      }
      let y = bottom + AXIS + LINE / 2;
      for (const [text, colour] of textLines.slice(0, textLines.length - budgetText.length)) { ctx.fillStyle = colour; ctx.fillText(text, x0, y); y += LINE; }
      this.paintBudget(ctx, x0, x1, y - LINE / 2 + 4, t);
      y += BUDGET_LINES * (BAR + 4) + 8;
      ctx.fillStyle = INK; ctx.textAlign = 'left';
      for (const line of budgetText) { ctx.fillText(line, x0, y); y += LINE; }
    }

    // wc, the phase margin and the gain margins of both loops.
    paintMarks(ctx, [mag, phase], X, plotHeight, t) {
      const m = this.data.margins, inside = (w) => Number.isFinite(w) && X(w) >= LEFT && X(w) <= this.canvas.clientWidth - RIGHT;
      ctx.lineWidth = 2;
      // The continuous loop's labels left of its marks, the sampled loop's right of them.
      for (const [loop, colour, side] of [['continuous', BLUE, -1], ['sampled', GREEN, 1]]) {
        const g = m[loop], label = (text, x, y) => ctx.fillText(text, x + side * 4, y);
        ctx.strokeStyle = ctx.fillStyle = colour; ctx.textAlign = side < 0 ? 'right' : 'left';
        if (inside(g.crossover)) {
          const x = X(g.crossover);
          ctx.setLineDash([3, 3]); ctx.lineWidth = 1; ctx.beginPath();
          ctx.moveTo(x, mag.top); ctx.lineTo(x, phase.top + plotHeight); ctx.stroke(); ctx.setLineDash([]); ctx.lineWidth = 2;
          ctx.beginPath(); ctx.moveTo(x, phase.Y(-180)); ctx.lineTo(x, phase.Y(g.phaseMargin - 180)); ctx.stroke();
          label(`${t.wc} ${f(g.crossover, 2)}`, x, mag.top + 8);
          label(`${t.pm} ${f(g.phaseMargin, 1)}°`, x, phase.top + plotHeight - 8);
        }
        for (const [w, margin, sign, name] of [[g.lowerCrossover, g.lowerGainMargin, 1, t.lower], [g.upperCrossover, g.upperGainMargin, -1, t.upper]]) {
          if (!inside(w) || !Number.isFinite(margin)) continue;
          const x = X(w);
          ctx.beginPath(); ctx.moveTo(x, mag.Y(0)); ctx.lineTo(x, mag.Y(sign * margin)); ctx.stroke();
          ctx.beginPath(); ctx.arc(x, phase.Y(-180), 3, 0, 2 * Math.PI); ctx.fill();
          const up = sign * margin > 0, end = mag.Y(sign * margin);
          label(`${name} ${f(margin, 2)} dB`, x, up ? end - 8 : end + 10);
        }
      }
    }

    // Two bars on one degree scale: the continuous margin; the left, the hold and the delay that make it up,
    // with the sampled loop's exact margin as a tick.
    paintBudget(ctx, x0, x1, top, t) {
      const b = this.data.budget;
      if (![b.continuousMargin, b.hold, b.delay, b.left].every(Number.isFinite)) return;
      const lo = Math.min(0, b.left, Number.isFinite(b.sampledMargin) ? b.sampledMargin : 0);
      const hi = Math.max(b.continuousMargin, b.sampledMargin || 0, lo + 1);
      const scale = (x1 - x0) / (hi - lo), X = (v) => x0 + (v - lo) * scale;
      const segment = (from, to, y, colour, label) => {
        const a = Math.min(X(from), X(to)), width = Math.abs(X(to) - X(from));
        ctx.fillStyle = colour; ctx.fillRect(a, y, width, BAR);
        ctx.fillStyle = 'white'; ctx.textAlign = 'center';
        const text = `${label} ${f(Math.abs(to - from), 1)}°`;
        if (ctx.measureText(text).width + 4 < width) ctx.fillText(text, a + width / 2, y + BAR / 2);
      };
      segment(0, b.continuousMargin, top, BLUE, t.cm);
      const y = top + BAR + 4;
      segment(0, b.left, y, b.left >= 0 ? GREEN : SHORT, t.left);
      segment(b.left, b.left + b.hold, y, HOLD, t.hold);
      segment(b.left + b.hold, b.continuousMargin, y, DELAY, t.delay);
      ctx.strokeStyle = INK; ctx.lineWidth = 1; ctx.beginPath();
      ctx.moveTo(X(0), top - 2); ctx.lineTo(X(0), y + BAR + 2); // zero
      ctx.stroke();
      ctx.lineWidth = 2; ctx.beginPath(); // the exact margin
      if (Number.isFinite(b.sampledMargin)) { ctx.moveTo(X(b.sampledMargin), y - 3); ctx.lineTo(X(b.sampledMargin), y + BAR + 3); }
      ctx.stroke();
    }
  }

  window.AgvsimFrequency = AgvsimFrequency;
})();
