// agvsim's lab: the z-plane panel, drawn with the canvas's 2D context. The
// shown mechanism's sampled-loop poles at Ts (filled green discs: the model's
// one-period map on the chosen path; open dark-green squares: the report's
// polynomial, on the line), the continuous poles mapped by z = exp(s Ts)
// (hollow blue rings), the locus against Ts (a polyline whose shade darkens
// from kLocusTsMin to kLocusTsMax) with its crossing of the unit circle marked
// and labelled with its Ts, and a readout of the point under the pointer.
//
//   const zplane = new AgvsimZPlane(canvas, info);  // info: an element the panel fills (legend, readout)
//   zplane.draw(data, lang);                         // data null clears; lang 'en' | 'ja'
//   AgvsimZPlane.sentence(lang, mechanism, largest)  // one mechanism's result in words
//
// data: {mechanism: name, Ts [s], model: 4 poles, report: 4 poles or null,
//        mapped: 3 poles, locus: {ts: [s] increasing, poles: [grid index][4 poles],
//        route: 'report' | 'model', complete} or null, crossing: {Ts [s], pole} or null,
//        kept: [{model, report, mapped, locus}] or absent}
// Kept sets (compare.js) are drawn faint under the current marks: their locus
// in one grey and their poles at Ts as faint marks.
// A pole is [re, im]; NaN parts are not drawn. Geometry (CSS pixels): the canvas
// is square, side S; z = re + j im is drawn at x = S/2 + re k, y = S/2 - im k,
// k = (S - 2 MARGIN) / (2 VIEW), with VIEW = 1.6 and MARGIN = 24; poles outside
// the view are drawn on its edge, the locus clipped there. The backing store has devicePixelRatio pixels
// per CSS pixel; the plane is painted on an offscreen sheet and the pointer's
// cross-hair over a copy of it. Called by lab.js.
(function () {
  'use strict';

  const BLUE = 'rgb(0, 0, 255)', GREEN = 'rgb(0, 160, 0)', DARK_GREEN = 'rgb(0, 90, 0)';
  const INK = 'rgb(10, 10, 10)', AXIS = 'rgb(170, 170, 170)', CROSSING = 'rgb(220, 0, 0)', CURSOR = 'rgb(90, 90, 90)';
  const FONT = '12px Helvetica, Arial, "Liberation Sans", "Nimbus Sans", sans-serif';
  const VIEW = 1.6; // half the view's width in z
  const MARGIN = 24; // [CSS px] around the view
  const DISC = 4.5, SQUARE = 6, RING = 6, CROSS_RING = 8; // [CSS px] the marks' radii and half side
  const SHADES = 16; // the locus's shades, lightest at the smallest Ts
  const LIGHT = [170, 225, 170], DARK = [0, 60, 0]; // RGB of the locus at its two ends
  const PERCENT = 100, DEGREES = 180 / Math.PI;
  const FAINT_LOCUS = 'rgba(90, 90, 90, 0.45)', FAINT_GREEN = 'rgba(0, 160, 0, 0.35)', FAINT_BLUE = 'rgba(0, 0, 255, 0.35)';

  const TEXTS = {
    en: {
      model: 'poles at Ts (model, this path)', report: "poles at Ts (report's polynomial)",
      mapped: 'continuous poles mapped, exp(s·Ts)', locus: (route, done) => `locus against Ts (${route === 'model' ? 'model' : "report's polynomial"})${done ? '' : ': computing…'}`,
      kept: (n) => `${n} kept set${n === 1 ? '' : 's'} (faint: locus grey, poles pale)`,
      shade: 'shade: Ts from 0.01 s (light) to 1 s (dark)', crossing: (ts) => `leaves the unit circle at Ts = ${ts.toFixed(3)} s`,
      noCrossing: 'stays inside the unit circle up to Ts = 1 s', hint: 'Point at the plane for |z|, angle, growth a period and the oscillation period.',
      readout: (z, r, angle, change, period) => `z = ${z}: |z| ${r.toFixed(3)}, angle ${angle.toFixed(1)}°, the error ${change >= 0 ? 'grows' : 'decays'} `
        + `${Math.abs(change).toFixed(1)} % a period, ${Number.isFinite(period) ? `oscillation period ${period.toFixed(3)} s` : 'no oscillation'}`,
      sentence: (m, r) => (Number.isFinite(r) ? `${m}: largest pole ${r.toFixed(3)}, the error ${r >= 1 ? 'grows' : 'decays'} `
        + `${Math.round(Math.abs(r - 1) * PERCENT)} % a period: ${r < 1 ? 'stable' : 'unstable'}` : `${m}: no poles (not designed)`),
    },
    ja: {
      model: 'Tsでの極 (モデル, この経路)', report: 'Tsでの極 (報告の多項式)', mapped: '連続系の極の写像 exp(s·Ts)',
      locus: (route, done) => `Tsに対する軌跡 (${route === 'model' ? 'モデル' : '報告の多項式'})${done ? '' : ': 計算中…'}`,
      kept: (n) => `保持した ${n} 組 (淡色: 軌跡 灰, 極 淡)`,
      shade: '濃さ: Ts 0.01 s (淡) から 1 s (濃)', crossing: (ts) => `Ts = ${ts.toFixed(3)} s で単位円の外へ`,
      noCrossing: 'Ts = 1 s まで単位円の内側', hint: '平面を指すと |z|、角度、1周期の増減、振動の周期を示す。',
      readout: (z, r, angle, change, period) => `z = ${z}: |z| ${r.toFixed(3)}、角度 ${angle.toFixed(1)}°、誤差は1周期に`
        + `${Math.abs(change).toFixed(1)} %${change >= 0 ? '増える' : '減る'}、${Number.isFinite(period) ? `振動の周期 ${period.toFixed(3)} s` : '振動しない'}`,
      sentence: (m, r) => (Number.isFinite(r) ? `${m}: 最大の極 ${r.toFixed(3)}、誤差は1周期に${Math.round(Math.abs(r - 1) * PERCENT)} %`
        + `${r >= 1 ? '増える' : '減る'}: ${r < 1 ? '安定' : '不安定'}` : `${m}: 極なし (設計できない)`),
    },
  };

  const finite = (p) => Number.isFinite(p[0]) && Number.isFinite(p[1]);
  const distance = (a, b) => Math.hypot(a[0] - b[0], a[1] - b[1]);

  // The permutations of 0..3: the locus joins each grid point's poles to the
  // previous point's by the pairing of least total distance.
  const PERMUTATIONS = (function all(rest) {
    if (rest.length <= 1) return [rest];
    return rest.flatMap((x, n) => all(rest.filter((_, m) => m !== n)).map((tail) => [x].concat(tail)));
  })([0, 1, 2, 3]);

  function pairing(before, after) {
    let best = PERMUTATIONS[0], least = Infinity;
    for (const p of PERMUTATIONS) {
      let sum = 0;
      for (let k = 0; k < 4; k++) sum += distance(before[k], after[p[k]]);
      if (sum < least) { least = sum; best = p; }
    }
    return best;
  }

  function shade(fraction) {
    const f = Math.min(1, Math.max(0, fraction));
    return `rgb(${LIGHT.map((c, k) => Math.round(c + (DARK[k] - c) * f)).join(', ')})`;
  }

  class AgvsimZPlane {
    constructor(canvas, info) {
      this.canvas = canvas; this.ctx = canvas.getContext('2d'); this.info = info;
      this.sheet = document.createElement('canvas');
      this.data = null; this.lang = 'en'; this.pointer = null; // [x, y] CSS px
      this.size = '';
      const point = (e) => { const b = canvas.getBoundingClientRect(); this.pointer = [e.clientX - b.left, e.clientY - b.top]; this.show(); };
      const leave = () => { this.pointer = null; this.show(); };
      for (const type of ['pointermove', 'pointerdown']) canvas.addEventListener(type, point);
      for (const type of ['pointerleave', 'pointercancel']) canvas.addEventListener(type, leave);
      if (window.ResizeObserver) new ResizeObserver(() => { if (this.sizeKey() !== this.size) this.paint(); }).observe(canvas);
    }

    static sentence(lang, mechanism, largest) { return TEXTS[lang].sentence(mechanism, largest); }

    sizeKey() { return this.canvas.clientWidth + '@' + (window.devicePixelRatio || 1); }

    // The CSS pixel of z, and the z of a CSS pixel.
    toPixel(p, free) {
      const side = this.canvas.clientWidth, k = (side - 2 * MARGIN) / (2 * VIEW);
      const clamp = (v) => (free ? v : Math.max(-VIEW, Math.min(VIEW, v)));
      return [side / 2 + clamp(p[0]) * k, side / 2 - clamp(p[1]) * k];
    }

    toZ(x, y) {
      const side = this.canvas.clientWidth, k = (side - 2 * MARGIN) / (2 * VIEW);
      return [(x - side / 2) / k, (side / 2 - y) / k];
    }

    draw(data, lang) {
      this.data = data; this.lang = lang in TEXTS ? lang : 'en';
      this.paint();
      this.legend();
    }

    paint() {
      const ratio = window.devicePixelRatio || 1, side = this.canvas.clientWidth;
      const sheet = this.sheet, ctx = sheet.getContext('2d'), px = Math.round(side * ratio);
      this.size = this.sizeKey();
      if (sheet.width !== px || sheet.height !== px) { sheet.width = px; sheet.height = px; }
      ctx.setTransform(1, 0, 0, 1, 0, 0); ctx.clearRect(0, 0, px, px);
      if (side > 2 * MARGIN) {
        ctx.setTransform(ratio, 0, 0, ratio, 0, 0);
        this.paintPlane(ctx, side);
      }
      this.show();
    }

    paintPlane(ctx, side) {
      const d = this.data, k = (side - 2 * MARGIN) / (2 * VIEW), c = side / 2;
      ctx.fillStyle = 'white'; ctx.fillRect(0, 0, side, side);
      ctx.font = FONT; ctx.lineWidth = 1; ctx.textBaseline = 'middle';
      ctx.strokeStyle = AXIS; ctx.fillStyle = INK;
      ctx.beginPath();
      ctx.moveTo(MARGIN, c); ctx.lineTo(side - MARGIN, c); ctx.moveTo(c, MARGIN); ctx.lineTo(c, side - MARGIN);
      for (const v of [-1.5, -1, -0.5, 0.5, 1, 1.5]) {
        ctx.moveTo(c + v * k, c - 3); ctx.lineTo(c + v * k, c + 3); ctx.moveTo(c - 3, c - v * k); ctx.lineTo(c + 3, c - v * k);
      }
      ctx.stroke();
      ctx.textAlign = 'center';
      for (const v of [-1, 1]) { ctx.fillText(String(v), c + v * k, c + 12); ctx.fillText(v + 'j', c - 14, c - v * k); }
      ctx.fillText('Re z', side - MARGIN - 14, c - 12); ctx.fillText('Im z', c + 22, MARGIN + 4);
      ctx.strokeStyle = INK;
      ctx.beginPath(); ctx.arc(c, c, k, 0, 2 * Math.PI); ctx.stroke();
      if (!d) return;
      (d.kept || []).forEach((k) => this.paintKept(ctx, k));
      if (d.locus) this.paintLocus(ctx, d.locus);
      if (d.crossing && Number.isFinite(d.crossing.Ts)) {
        const p = d.crossing.pole;
        ctx.strokeStyle = CROSSING; ctx.lineWidth = 2;
        ctx.beginPath();
        for (const q of [[p[0], p[1]], [p[0], -p[1]]]) { const [x, y] = this.toPixel(q); ctx.moveTo(x + CROSS_RING, y); ctx.arc(x, y, CROSS_RING, 0, 2 * Math.PI); }
        ctx.stroke();
        const [x, y] = this.toPixel([p[0], Math.abs(p[1])]);
        ctx.fillStyle = CROSSING; ctx.textAlign = x > c ? 'left' : 'right';
        ctx.fillText(`Ts = ${d.crossing.Ts.toFixed(3)} s`, x + (x > c ? 1 : -1) * (CROSS_RING + 4), y - CROSS_RING - 4);
      }
      this.paintPoles(ctx, d, BLUE, DARK_GREEN, GREEN);
    }

    // A kept set: its locus in one faint grey, its poles at Ts as faint marks.
    paintKept(ctx, kept) {
      if (kept.locus) this.paintLocus(ctx, kept.locus, () => FAINT_LOCUS);
      this.paintPoles(ctx, kept, FAINT_BLUE, FAINT_GREEN, FAINT_GREEN);
    }

    // A set's poles: the mapped continuous ones as rings, the report's as squares, the model's as discs.
    paintPoles(ctx, set, mappedColour, reportColour, modelColour) {
      ctx.lineWidth = 1.5;
      ctx.strokeStyle = mappedColour; ctx.beginPath();
      for (const p of (set.mapped || []).filter(finite)) { const [x, y] = this.toPixel(p); ctx.moveTo(x + RING, y); ctx.arc(x, y, RING, 0, 2 * Math.PI); }
      ctx.stroke();
      ctx.strokeStyle = reportColour; ctx.beginPath();
      for (const p of (set.report || []).filter(finite)) { const [x, y] = this.toPixel(p); ctx.rect(x - SQUARE, y - SQUARE, 2 * SQUARE, 2 * SQUARE); }
      ctx.stroke();
      ctx.fillStyle = modelColour; ctx.beginPath();
      for (const p of (set.model || []).filter(finite)) { const [x, y] = this.toPixel(p); ctx.moveTo(x + DISC, y); ctx.arc(x, y, DISC, 0, 2 * Math.PI); }
      ctx.fill();
    }

    // The four branches, each segment in the shade of its Ts (colour(fraction) of the span), one path a shade.
    paintLocus(ctx, locus, colour = shade) {
      const ts = locus.ts, poles = locus.poles, n = poles.length, paths = Array.from({ length: SHADES }, () => []);
      const span = Math.log(ts[ts.length - 1] / ts[0]);
      let order = [0, 1, 2, 3];
      for (let g = 1; g < n; g++) {
        const before = order.map((k) => poles[g - 1][k]), p = pairing(before, poles[g]);
        const bucket = Math.min(SHADES - 1, Math.floor((Math.log(ts[g] / ts[0]) / span) * SHADES));
        for (let b = 0; b < 4; b++) {
          const from = before[b], to = poles[g][p[b]];
          if (finite(from) && finite(to)) paths[bucket].push(this.toPixel(from, true), this.toPixel(to, true));
        }
        order = p;
      }
      const side = this.canvas.clientWidth;
      ctx.save(); ctx.beginPath(); ctx.rect(MARGIN, MARGIN, side - 2 * MARGIN, side - 2 * MARGIN); ctx.clip();
      ctx.lineWidth = 1.5;
      paths.forEach((segments, bucket) => {
        ctx.strokeStyle = colour((bucket + 0.5) / SHADES);
        ctx.beginPath();
        for (let s = 0; s < segments.length; s += 2) { ctx.moveTo(...segments[s]); ctx.lineTo(...segments[s + 1]); }
        ctx.stroke();
      });
      ctx.restore();
    }

    // The sheet, and over it the pointer's cross-hair; the readout follows the pointer.
    show() {
      const canvas = this.canvas, sheet = this.sheet, ctx = this.ctx;
      if (canvas.width !== sheet.width || canvas.height !== sheet.height) { canvas.width = sheet.width; canvas.height = sheet.height; }
      else ctx.clearRect(0, 0, canvas.width, canvas.height);
      if (sheet.width) { ctx.setTransform(1, 0, 0, 1, 0, 0); ctx.drawImage(sheet, 0, 0); }
      const readout = this.info && this.info.querySelector('output'), t = TEXTS[this.lang];
      if (this.pointer === null || !this.data) {
        if (readout) readout.textContent = t.hint;
        return;
      }
      const [x, y] = this.pointer, ratio = sheet.width / canvas.clientWidth || 1;
      ctx.setTransform(ratio, 0, 0, ratio, 0, 0); ctx.strokeStyle = CURSOR; ctx.lineWidth = 1; ctx.setLineDash([4, 3]);
      ctx.beginPath(); ctx.moveTo(x, 0); ctx.lineTo(x, canvas.clientWidth); ctx.moveTo(0, y); ctx.lineTo(canvas.clientWidth, y); ctx.stroke();
      ctx.setLineDash([]);
      const z = this.toZ(x, y), r = Math.hypot(z[0], z[1]), angle = Math.atan2(z[1], z[0]);
      const period = angle === 0 ? Infinity : (2 * Math.PI * this.data.Ts) / Math.abs(angle);
      const text = `${z[0].toFixed(3)} ${z[1] < 0 ? '−' : '+'} ${Math.abs(z[1]).toFixed(3)}j`;
      if (readout) readout.textContent = t.readout(text, r, angle * DEGREES, (r - 1) * PERCENT, period);
    }

    // The legend (the marks in the picture's colours) and the crossing, in the info element.
    legend() {
      if (!this.info) return;
      const t = TEXTS[this.lang], d = this.data, mark = (style, text) => `<li><span class="swatch ${style}"></span>${text}</li>`;
      const items = [mark('model', t.model)];
      if (d && d.report) items.push(mark('report', t.report));
      items.push(mark('mapped', t.mapped));
      if (d && d.locus) items.push(mark('locus', t.locus(d.locus.route, d.locus.complete)), `<li class="plain">${t.shade}</li>`);
      if (d && d.kept && d.kept.length) items.push(mark('kept', t.kept(d.kept.length)));
      if (d && d.crossing) items.push(mark('crossing', Number.isFinite(d.crossing.Ts) ? t.crossing(d.crossing.Ts) : t.noCrossing));
      let list = this.info.querySelector('ul');
      if (!list) {
        this.info.innerHTML = '<ul class="legend"></ul><output></output>';
        list = this.info.querySelector('ul');
      }
      list.innerHTML = items.join('');
      this.show();
    }
  }

  window.AgvsimZPlane = AgvsimZPlane;
})();
