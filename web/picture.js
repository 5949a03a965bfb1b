// agvsim's picture on a canvas: draws the program's buffers of drawing
// commands (web/immediate_canvas.cpp writes them: the opcodes below, their
// arguments as doubles, the texts' bytes in a second buffer) as the native
// window's GL would draw them. Used for the Program tab's picture (page.js)
// and the Lab's (lab.js), one Picture a canvas.
//
//   const picture = new AgvsimPicture(canvas);  // sizes the canvas's backing store
//   picture.draw(ops, heap, chars);             // one batch; a frame begins with CLEAR
//
// Window units (-1..+1 on both axes, y up) map onto 800 x 800 CSS pixels as
// the native window maps them onto its pixels: x = (X + 1) * 400,
// y = (1 - Y) * 400. The canvas's backing store has devicePixelRatio device
// pixels per CSS pixel, so lines stay sharp on dense screens.
(function () {
  'use strict';

  const SIDE = 800; // [CSS pixels] the picture's width and height
  const PIXELS_PER_UNIT = SIDE / 2;
  const TEXT_FONT = '18px Helvetica, Arial, "Liberation Sans", "Nimbus Sans", sans-serif';
  const TEXT_COLOUR = 'rgb(10, 10, 10)'; // 0.04 of full scale, as in the window
  // Drawing commands of immediate_canvas.cpp, with their argument counts.
  const OP = { CLEAR: 0, COLOUR: 1, WIDTH: 2, PUSH: 3, POP: 4, BEGIN: 5, VERTEX: 6, END: 7, TEXT: 8, DISC: 9 };
  const MODE = { LINES: 0, LINE_STRIP: 1, LINE_LOOP: 2, POLYGON: 3 };

  // Draws one batch of commands on a canvas. Keeps the local frames, the
  // colour and the line width from one batch to the next within a frame, and
  // the line width across frames (as GL keeps it). Consecutive line shapes of
  // the same colour and width share one path, and so do consecutive discs of
  // the same colour (all 3000 sampling dots: one fill).
  function Picture(canvas) {
    const ratio = window.devicePixelRatio || 1;
    canvas.width = Math.round(SIDE * ratio);
    canvas.height = Math.round(SIDE * ratio);
    const ctx = canvas.getContext('2d', { alpha: false });
    // The local frames, each local to window units: X = a x + c y + e,
    // Y = b x + d y + f, as [a, b, c, d, e, f]; kept from frame to frame, the
    // deepest nesting seen so far (a few), so that a push allocates nothing.
    const frames = [Float64Array.of(1, 0, 0, 1, 0, 0)];
    let depth = 0; // the current frame: frames[depth]
    let colour = 'rgb(0, 0, 0)';
    let colourKey = 0; // 0xRRGGBB of colour
    let lineWidth = 1; // [CSS pixels]
    let mode = MODE.LINES;
    let xs = new Float64Array(1024); // the current shape's vertices, in CSS pixels
    let ys = new Float64Array(1024);
    let count = 0;
    // A path waiting to be stroked (line shapes) or filled (discs):
    // consecutive line shapes of the same colour and width are stroked
    // together, consecutive discs of the same colour filled together.
    const PENDING = { NONE: 0, LINES: 1, DISCS: 2 };
    let pending = PENDING.NONE;
    let pendingColour = -1;
    let pendingWidth = -1;
    let penX = NaN; // where that path's last line ended [CSS pixels]
    let penY = NaN;

    function addVertex(x, y) {
      if (count === xs.length) {
        const grow = (a) => {
          const b = new Float64Array(2 * a.length);
          b.set(a);
          return b;
        };
        xs = grow(xs);
        ys = grow(ys);
      }
      const m = frames[depth];
      xs[count] = (m[0] * x + m[2] * y + m[4] + 1) * PIXELS_PER_UNIT;
      ys[count] = (1 - (m[1] * x + m[3] * y + m[5])) * PIXELS_PER_UNIT;
      count += 1;
    }

    function finishPath() {
      if (pending === PENDING.LINES) ctx.stroke();
      else if (pending === PENDING.DISCS) ctx.fill();
      pending = PENDING.NONE;
    }

    function openLinePath() {
      if (pending === PENDING.LINES && pendingColour === colourKey && pendingWidth === lineWidth) return;
      finishPath();
      ctx.beginPath();
      ctx.strokeStyle = colour;
      ctx.lineWidth = lineWidth;
      pending = PENDING.LINES;
      pendingColour = colourKey;
      pendingWidth = lineWidth;
      penX = penY = NaN;
    }

    // An axis-parallel line lands on whole pixels, as GL puts it: centred on
    // a pixel's middle when its width is odd, on a pixel edge when even.
    function snap(v) {
      return Math.round(lineWidth) % 2 === 1 ? Math.floor(v) + 0.5 : Math.round(v);
    }

    // A disc of radius [window units] about (x, y) in the current frame; discs
    // of one colour that follow each other make one path, a circle each (all
    // turning the same way, so that their fill is their union).
    function addDisc(x, y, radius) {
      if (pending !== PENDING.DISCS || pendingColour !== colourKey) {
        finishPath();
        ctx.beginPath();
        ctx.fillStyle = colour;
        pending = PENDING.DISCS;
        pendingColour = colourKey;
      }
      const m = frames[depth];
      const cx = (m[0] * x + m[2] * y + m[4] + 1) * PIXELS_PER_UNIT, cy = (1 - (m[1] * x + m[3] * y + m[5])) * PIXELS_PER_UNIT;
      const r = radius * PIXELS_PER_UNIT;
      ctx.moveTo(cx + r, cy);
      ctx.arc(cx, cy, r, 0, 2 * Math.PI);
    }

    // A line that starts where the one before ended continues it: a polyline
    // of a trajectory is stroked as one, with its joins, and costs far less to
    // rasterise than as thousands of separate lines.
    function emitShape() {
      if (mode === MODE.LINES) {
        openLinePath();
        for (let k = 0; k + 1 < count; k += 2) {
          let x0 = xs[k], y0 = ys[k], x1 = xs[k + 1], y1 = ys[k + 1];
          if (x0 === x1) x0 = x1 = snap(x0);
          if (y0 === y1) y0 = y1 = snap(y0);
          if (x0 !== penX || y0 !== penY) ctx.moveTo(x0, y0);
          ctx.lineTo(x1, y1);
          penX = x1;
          penY = y1;
        }
        return;
      }
      finishPath();
      if (count === 0) return;
      ctx.beginPath();
      ctx.moveTo(xs[0], ys[0]);
      for (let k = 1; k < count; ++k) ctx.lineTo(xs[k], ys[k]);
      if (mode !== MODE.LINE_STRIP) ctx.closePath();
      if (mode === MODE.POLYGON) {
        ctx.fillStyle = colour;
        ctx.fill();
      } else {
        ctx.strokeStyle = colour;
        ctx.lineWidth = lineWidth;
        ctx.stroke();
      }
    }

    this.draw = function (ops, heap, chars) {
      for (let i = 0; i < ops.length; ) {
        switch (ops[i]) {
          case OP.CLEAR:
            finishPath();
            depth = 0;
            ctx.setTransform(ratio, 0, 0, ratio, 0, 0);
            ctx.lineCap = 'butt';
            ctx.lineJoin = 'miter';
            ctx.miterLimit = 2; // sharp turns of a trajectory end square, not in long spikes
            ctx.fillStyle = 'rgb(255, 255, 255)';
            ctx.fillRect(0, 0, SIDE, SIDE);
            i += 1;
            break;
          case OP.COLOUR: {
            const r = Math.round(ops[i + 1] * 255), g = Math.round(ops[i + 2] * 255), b = Math.round(ops[i + 3] * 255);
            const key = (r << 16) | (g << 8) | b;
            if (key !== colourKey) colour = 'rgb(' + r + ', ' + g + ', ' + b + ')';
            colourKey = key;
            i += 4;
            break;
          }
          case OP.WIDTH:
            lineWidth = ops[i + 1];
            i += 2;
            break;
          case OP.PUSH: {
            const m = frames[depth];
            const x = ops[i + 1], y = ops[i + 2], c = Math.cos(ops[i + 3]), s = Math.sin(ops[i + 3]);
            const e = m[0] * x + m[2] * y + m[4], f = m[1] * x + m[3] * y + m[5];
            if (depth + 1 === frames.length) frames.push(new Float64Array(6));
            const n = frames[++depth];
            n[0] = m[0] * c + m[2] * s;
            n[1] = m[1] * c + m[3] * s;
            n[2] = m[2] * c - m[0] * s;
            n[3] = m[3] * c - m[1] * s;
            n[4] = e;
            n[5] = f;
            i += 4;
            break;
          }
          case OP.POP:
            if (depth > 0) depth -= 1;
            i += 1;
            break;
          case OP.BEGIN:
            mode = ops[i + 1];
            count = 0;
            i += 2;
            break;
          case OP.VERTEX:
            addVertex(ops[i + 1], ops[i + 2]);
            i += 3;
            break;
          case OP.END:
            emitShape();
            i += 1;
            break;
          case OP.DISC:
            addDisc(ops[i + 1], ops[i + 2], ops[i + 3]);
            i += 4;
            break;
          case OP.TEXT: {
            finishPath();
            const start = chars + ops[i + 3];
            const bytes = heap.subarray(start, start + ops[i + 4]);
            const line = String.fromCharCode.apply(null, bytes).replace(/\n/g, '');
            ctx.font = TEXT_FONT;
            ctx.textBaseline = 'alphabetic';
            ctx.fillStyle = TEXT_COLOUR;
            ctx.fillText(line, (ops[i + 1] + 1) * PIXELS_PER_UNIT, (1 - ops[i + 2]) * PIXELS_PER_UNIT);
            i += 5;
            break;
          }
          default:
            throw new Error('agvsim page: unknown drawing command ' + ops[i]);
        }
      }
      finishPath();
    };
  }

  window.AgvsimPicture = Picture;
})();
