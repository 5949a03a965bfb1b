// agvsim's lab: the time plots of one experiment, drawn with the canvas's 2D
// context. Four stacked plots share the time axis (0 to the last time of
// either run); the continuous run is blue, the sampled-data run green.
//
//   const plots = new AgvsimPlots(canvas);  // a global constructor
//   plots.draw(data, labels);                // data null clears the plots
//   plots.toBlob(callback);                  // callback(Blob or null): a PNG of the plots
//
// data: {mechanism: 1 (2DW1C) | 2 (1FDW1FS) | 3 (1RDW1FS),
//        gains: {kd2, kth2, kph2, kd3, kth3, kph3}  [rad/(s m)], [1/s], [1/s],
//        continuous: {t, dd, eth, ephi, ed, phi}, sampled: {t, dd, eth, phi, u, samples},
//        time: the animation's time [s] (a vertical marker) or null,
//        kept: [{mechanism, gains, continuous, sampled, dash: [CSS px]}] or absent}
// Records are Float64Arrays: t [s], dd and ed [m], eth (within [-pi, pi]),
// ephi and phi [rad], u [rad/s] held from record m to m + 1 (NaN at the
// last); samples is an Int32Array of the records of the sampling instants.
// labels: {dd, eth, phi, phi2DW1C, command, command2DW1C, time, continuous, sampled}.
//
// The plots: dd; eth unwrapped (2 pi added or taken off where consecutive
// records jump by more than pi); phi (for 2DW1C the equivalent steering
// angle); the command: the sampled run's u as a staircase with dots at the
// sampling instants, and the continuous run's command recomputed from its
// records: for 2DW1C the turning rate V tan(phi) / L (V = 1 m/s, L = 1 m),
// otherwise -(kd ed + kth eth + kph ephi) with the mechanism's gains, clipped
// to +-3 rad/s. Non-finite values break a curve. Kept sets (compare.js) are
// drawn faint, in their dash, under the current runs, within the axes' ranges
// and left out of the readout.
//
// The canvas's CSS size is the page's; its backing store has devicePixelRatio
// device pixels per CSS pixel and follows resizes. The plots are painted once
// per draw on an offscreen canvas; the pointer's cursor (the values of both
// runs at the nearest record, the held value for the staircase) is painted
// over a copy of it, so moving the pointer costs one image copy.
(function () {
  'use strict';

  const BLUE = 'rgb(0, 0, 255)', GREEN = 'rgb(0, 160, 0)', INK = 'rgb(10, 10, 10)';
  const FAINT_BLUE = 'rgba(0, 0, 255, 0.35)', FAINT_GREEN = 'rgba(0, 160, 0, 0.35)'; // kept sets
  const ZERO = 'rgb(170, 170, 170)', MARKER = 'rgb(220, 0, 0)', CURSOR = 'rgb(90, 90, 90)';
  const FONT = '12px Helvetica, Arial, "Liberation Sans", "Nimbus Sans", sans-serif';
  const V = 1, L = 1, U_MAX = 3; // [m/s], [m], [rad/s] of the continuous run's command
  const LEFT = 60, RIGHT = 12, HEADER = 20, BOTTOM = 38; // [CSS px] the margins
  const LINE_HEIGHT = 15; // [CSS px] of the readout's lines
  const EMPTY = new Float64Array(0);
  const DEFAULT_LABELS = {
    dd: 'dd [m]', eth: 'eth (unwrapped) [rad]', phi: 'phi [rad]',
    phi2DW1C: 'equivalent phi = atan(L omega / V) [rad]', command: 'u [rad/s]',
    command2DW1C: 'omega [rad/s]', time: 't [s]', continuous: 'continuous', sampled: 'sampled',
  };

  // Adds or takes off 2 pi where consecutive finite values jump by more than pi.
  function unwrap(a) {
    const out = new Float64Array(a.length);
    for (let i = 0, offset = 0, last = NaN; i < a.length; i++) {
      const v = a[i], d = v - last; // NaN before the first finite value
      if (Number.isFinite(d) && Math.abs(d) > Math.PI) offset -= 2 * Math.PI * Math.round(d / (2 * Math.PI));
      if (Number.isFinite(v)) last = v;
      out[i] = v + offset;
    }
    return out;
  }

  // The continuous run's command, which the records do not hold.
  function continuousCommand(data) {
    const c = data.continuous, g = data.gains || {}, a = (name) => c[name] || EMPTY;
    const n = Math.min(a('t').length, a('phi').length), out = new Float64Array(n);
    if (data.mechanism === 1) {
      for (let i = 0; i < n; i++) out[i] = V * Math.tan(c.phi[i]) / L;
      return out;
    }
    const [kd, kth, kph] = data.mechanism === 2 ? [g.kd2, g.kth2, g.kph2] : [g.kd3, g.kth3, g.kph3];
    const m = Math.min(n, a('ed').length, a('eth').length, a('ephi').length);
    out.fill(NaN, m);
    for (let i = 0; i < m; i++) out[i] = Math.max(-U_MAX, Math.min(U_MAX, -(kd * c.ed[i] + kth * c.eth[i] + kph * c.ephi[i])));
    return out; // NaN stays NaN through the clipping
  }

  // A range narrower than this (absolute, or relative to the values) is drawn as one value: its ticks
  // would be rounding noise.
  const MIN_SPAN = 1e-12, RELATIVE_SPAN = 1e-9;
  const MAX_DECIMALS = 6, EXPONENT_DIGITS = 1, READOUT_DIGITS = 3; // digits after the point

  // The finite range of the series' values, with a margin; symmetric around a single value.
  function valueRange(series) {
    let lo = Infinity, hi = -Infinity;
    for (const s of series) for (let i = 0; i < s.n; i++) if (Number.isFinite(s.y[i])) { lo = Math.min(lo, s.y[i]); hi = Math.max(hi, s.y[i]); }
    if (lo > hi) return [-1, 1];
    if (hi - lo < Math.max(MIN_SPAN, RELATIVE_SPAN * Math.max(-lo, hi))) { // one value, to the axis's resolution
      const mid = (lo + hi) / 2, d = Math.abs(mid) < MIN_SPAN ? 1 : Math.abs(mid) / 2;
      return [mid - d, mid + d];
    }
    const m = (hi - lo) * 0.06;
    return [lo - m, hi + m];
  }

  // A round tick step (1, 2 or 5 times a power of 10) giving about count intervals.
  function ticks(lo, hi, count) {
    const raw = (hi - lo) / Math.max(1, count);
    if (!(raw > 0 && raw < Infinity)) return { step: 1, first: 0, last: -1, decimals: 0 }; // no ticks
    const p = Math.pow(10, Math.floor(Math.log10(raw))), f = raw / p;
    const step = (f < 1.5 ? 1 : f < 3 ? 2 : f < 7 ? 5 : 10) * p;
    return { step, first: Math.ceil(lo / step - 1e-9), last: Math.floor(hi / step + 1e-9),
      decimals: Math.max(0, -Math.floor(Math.log10(step) + 1e-9)) };
  }

  // A tick's text; with an exponent past MAX_DECIMALS decimals (Ts of 1e-5 s and less gives such steps).
  const tickText = (k, tk) => (k === 0 ? '0' : tk.decimals > MAX_DECIMALS ? (k * tk.step).toExponential(EXPONENT_DIGITS)
    : (k * tk.step).toFixed(tk.decimals));
  const valueText = (v, decimals) => (!Number.isFinite(v) ? '–' : decimals > MAX_DECIMALS ? v.toExponential(READOUT_DIGITS)
    : v.toFixed(decimals));
  const snap = (v) => Math.round(v) + 0.5; // crisp 1 px lines

  // The index of the record nearest to time in increasing times t[0..n-1], or
  // with held set the last record at or before time; -1 outside the run.
  function recordAt(t, n, time, held) {
    let lo = 0, hi = n; // first index with t >= time
    while (lo < hi) { const mid = (lo + hi) >> 1; if (t[mid] < time) lo = mid + 1; else hi = mid; }
    if (n === 0 || time < t[0] || time > t[n - 1]) return -1; // outside the run
    if (held) return t[lo] === time ? lo : lo - 1;
    return lo > 0 && time - t[lo - 1] <= t[lo] - time ? lo - 1 : lo;
  }

  // One path per curve; a staircase holds y[i] up to t[i + 1].
  function trace(ctx, s, x0, sx, yb, lo, sy) {
    const t = s.t, y = s.y, n = s.n;
    let pen = false;
    ctx.beginPath();
    for (let i = 0; i < n; i++) {
      const v = y[i], ti = t[i];
      if (!Number.isFinite(v) || !Number.isFinite(ti)) { pen = false; continue; }
      const px = x0 + ti * sx, py = yb - (v - lo) * sy;
      if (pen) ctx.lineTo(px, py); else { ctx.moveTo(px, py); pen = true; }
      if (s.stairs && i + 1 < n && Number.isFinite(t[i + 1])) ctx.lineTo(x0 + t[i + 1] * sx, py);
      else if (s.stairs) pen = false;
    }
    ctx.strokeStyle = s.colour; ctx.setLineDash(s.dash || []); ctx.stroke(); ctx.setLineDash([]);
    if (!s.samples) return;
    ctx.beginPath();
    for (let k = 0; k < s.samples.length; k++) {
      const m = s.samples[k], v = y[m];
      if (m < 0 || m >= n || !Number.isFinite(v)) continue;
      const px = x0 + t[m] * sx, py = yb - (v - lo) * sy;
      ctx.moveTo(px + 2, py); ctx.arc(px, py, 2, 0, 2 * Math.PI);
    }
    ctx.fillStyle = s.colour; ctx.fill();
  }

  class AgvsimPlots {
    constructor(canvas) {
      this.canvas = canvas; this.ctx = canvas.getContext('2d');
      this.sheet = document.createElement('canvas'); // the plots without the cursor
      this.plots = this.frame = this.cursorX = null; // cursorX [CSS px] from the canvas's left
      this.size = ''; // the size the sheet was painted for
      canvas.style.touchAction = 'pan-y'; // a horizontal drag moves the cursor
      const point = (e) => { this.cursorX = e.clientX - canvas.getBoundingClientRect().left; this.show(); };
      const leave = () => { if (this.cursorX !== null) { this.cursorX = null; this.show(); } };
      for (const type of ['pointermove', 'pointerdown']) canvas.addEventListener(type, point);
      for (const type of ['pointerleave', 'pointercancel']) canvas.addEventListener(type, leave);
      if (window.ResizeObserver) new ResizeObserver(() => { if (this.sizeKey() !== this.size) this.paint(); }).observe(canvas);
    }

    sizeKey() { return this.canvas.clientWidth + 'x' + this.canvas.clientHeight + '@' + (window.devicePixelRatio || 1); }

    draw(data, labels) {
      const lb = this.labels = Object.assign({}, DEFAULT_LABELS, labels);
      this.plots = null;
      if (data) {
        const m1 = data.mechanism === 1;
        // One experiment's series of the four plots; kept ones faint, dashed, without sampling dots.
        const seriesOf = (d, blue, green, kept) => {
          const c = d.continuous, s = d.sampled, extra = kept ? { kept: true, dash: d.dash } : {};
          const run = (t = EMPTY, y = EMPTY, colour) => Object.assign({ t, y, n: Math.min(t.length, y.length), colour }, extra);
          return [[run(c.t, c.dd, blue), run(s.t, s.dd, green)],
            [run(c.t, unwrap(c.eth || EMPTY), blue), run(s.t, unwrap(s.eth || EMPTY), green)],
            [run(c.t, c.phi, blue), run(s.t, s.phi, green)],
            [run(c.t, continuousCommand(d), blue), Object.assign(run(s.t, s.u, green),
              { stairs: true }, kept ? {} : { samples: s.samples || new Int32Array(0) })]];
        };
        const kept = (data.kept || []).map((d) => seriesOf(d, FAINT_BLUE, FAINT_GREEN, true)), current = seriesOf(data, BLUE, GREEN, false);
        const labels = [lb.dd, lb.eth, m1 ? lb.phi2DW1C : lb.phi, m1 ? lb.command2DW1C : lb.command];
        this.plots = labels.map((label, k) => ({ label, series: kept.flatMap((set) => set[k]).concat(current[k]) }));
        let end = 0;
        for (const r of this.plots[0].series) for (let i = 0; i < r.t.length; i++) if (r.t[i] > end && r.t[i] < Infinity) end = r.t[i];
        this.end = end || 1; this.time = data.time;
        for (const p of this.plots) [p.lo, p.hi] = valueRange(p.series);
      }
      this.paint();
    }

    // Paints the plots on the sheet, then shows them.
    paint() {
      const ratio = window.devicePixelRatio || 1, w = this.canvas.clientWidth, h = this.canvas.clientHeight;
      const sheet = this.sheet, ctx = sheet.getContext('2d'), width = Math.round(w * ratio), height = Math.round(h * ratio);
      this.size = this.sizeKey();
      if (sheet.width !== width || sheet.height !== height) { sheet.width = width; sheet.height = height; }
      ctx.setTransform(1, 0, 0, 1, 0, 0); ctx.clearRect(0, 0, width, height);
      const plotHeight = (h - BOTTOM) / 4 - HEADER;
      this.frame = null;
      if (this.plots && plotHeight > 10 && w > LEFT + RIGHT + 20) {
        ctx.setTransform(ratio, 0, 0, ratio, 0, 0);
        this.paintPlots(ctx, w, h, plotHeight);
      }
      this.show();
    }

    paintPlots(ctx, w, h, plotHeight) {
      const x0 = LEFT, x1 = w - RIGHT, sx = (x1 - x0) / this.end, lb = this.labels;
      const bottom = 4 * (plotHeight + HEADER);
      this.frame = { x0, x1, sx, plotHeight, bottom };
      ctx.fillStyle = 'white'; ctx.fillRect(0, 0, w, h);
      ctx.font = FONT; ctx.textBaseline = 'middle';
      ctx.lineWidth = 1; // thicker curves take several times longer to rasterize
      const xt = this.timeTicks = ticks(0, this.end, Math.max(2, Math.floor((x1 - x0) / 90)));
      this.plots.forEach((p, i) => {
        const top = p.top = i * (plotHeight + HEADER) + HEADER, yb = top + plotHeight, sy = plotHeight / (p.hi - p.lo);
        const yt = p.ticks = ticks(p.lo, p.hi, Math.max(3, Math.floor(plotHeight / 25)));
        if (p.lo < 0 && p.hi > 0) {
          ctx.strokeStyle = ZERO;
          ctx.beginPath(); ctx.moveTo(x0, snap(yb + p.lo * sy)); ctx.lineTo(x1, snap(yb + p.lo * sy)); ctx.stroke();
        }
        ctx.save();
        ctx.beginPath(); ctx.rect(x0, top, x1 - x0, plotHeight); ctx.clip();
        for (const s of p.series) trace(ctx, s, x0, sx, yb, p.lo, sy);
        ctx.restore();
        ctx.strokeStyle = ctx.fillStyle = INK;
        ctx.beginPath(); ctx.rect(snap(x0), snap(top), Math.round(x1 - x0), Math.round(plotHeight));
        ctx.textAlign = 'right';
        for (let k = yt.first; k <= yt.last; k++) {
          const y = snap(yb - (k * yt.step - p.lo) * sy);
          ctx.moveTo(x0 - 4, y); ctx.lineTo(x0, y);
          ctx.fillText(tickText(k, yt), x0 - 6, y);
        }
        ctx.textAlign = 'center';
        for (let k = xt.first; k <= xt.last; k++) {
          const x = snap(x0 + k * xt.step * sx);
          ctx.moveTo(x, yb); ctx.lineTo(x, yb + 4);
          if (i === 3) ctx.fillText(tickText(k, xt), x, yb + 12);
        }
        ctx.stroke();
        ctx.textAlign = 'left'; ctx.fillText(p.label, x0, top - HEADER / 2);
      });
      ctx.textAlign = 'center'; ctx.fillText(lb.time, (x0 + x1) / 2, bottom + 28);
      if (Number.isFinite(this.time) && this.time >= 0 && this.time <= this.end) {
        const x = snap(x0 + this.time * sx);
        ctx.strokeStyle = MARKER;
        ctx.beginPath(); ctx.moveTo(x, HEADER); ctx.lineTo(x, bottom); ctx.stroke();
      }
      ctx.textAlign = 'left'; // the legend, right-aligned on the first plot's label line
      let x = x1;
      for (const [text, colour] of [[lb.sampled, GREEN], [lb.continuous, BLUE]]) {
        x -= ctx.measureText(text).width;
        ctx.fillStyle = INK; ctx.fillText(text, x, HEADER / 2);
        ctx.strokeStyle = colour; ctx.lineWidth = 2;
        ctx.beginPath(); ctx.moveTo(x - 24, HEADER / 2); ctx.lineTo(x - 4, HEADER / 2); ctx.stroke();
        x -= 40;
      }
    }

    // Shows the sheet and, over it, the cursor with the values at its time.
    show() {
      const canvas = this.canvas, sheet = this.sheet, ctx = this.ctx, f = this.frame, x = this.cursorX;
      if (canvas.width !== sheet.width || canvas.height !== sheet.height) {
        canvas.width = sheet.width; canvas.height = sheet.height;
      } else ctx.clearRect(0, 0, canvas.width, canvas.height);
      if (!sheet.width || !sheet.height) return;
      ctx.setTransform(1, 0, 0, 1, 0, 0); ctx.drawImage(sheet, 0, 0);
      if (!f || x === null || x < f.x0 || x > f.x1) return;
      const ratio = sheet.width / canvas.clientWidth || 1, time = (x - f.x0) / f.sx;
      ctx.setTransform(ratio, 0, 0, ratio, 0, 0);
      ctx.font = FONT; ctx.textBaseline = 'middle'; ctx.lineWidth = 1;
      ctx.strokeStyle = CURSOR; ctx.setLineDash([4, 3]);
      ctx.beginPath(); ctx.moveTo(snap(x), HEADER); ctx.lineTo(snap(x), f.bottom); ctx.stroke(); ctx.setLineDash([]);
      const box = (lines, top) => { // lines: [text, colour]; right of the cursor if it fits
        const width = 10 + Math.max(...lines.map(([text]) => ctx.measureText(text).width));
        const height = lines.length * LINE_HEIGHT + 4, left = x + 8 + width <= f.x1 ? x + 8 : x - 8 - width;
        ctx.fillStyle = 'rgba(255, 255, 255, 0.9)'; ctx.strokeStyle = CURSOR;
        ctx.fillRect(left, top, width, height); ctx.strokeRect(snap(left), snap(top), Math.round(width), Math.round(height));
        lines.forEach(([text, colour], k) => { ctx.fillStyle = colour; ctx.fillText(text, left + 5, top + 2 + (k + 0.5) * LINE_HEIGHT); });
      };
      for (const p of this.plots) {
        box(p.series.filter((s) => !s.kept).map((s) => {
          const m = recordAt(s.t, s.n, time, s.stairs);
          return [valueText(m >= 0 ? s.y[m] : NaN, p.ticks.decimals + 2), s.colour];
        }), p.top + 4);
      }
      box([['t = ' + time.toFixed(Math.min(6, this.timeTicks.decimals + 2)) + ' s', INK]], f.bottom + 18);
    }

    // callback(Blob or null): a PNG of the plots as drawn, without the cursor.
    toBlob(callback) { this.sheet.toBlob(callback, 'image/png'); }
  }

  window.AgvsimPlots = AgvsimPlots;
})();
