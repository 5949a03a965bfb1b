// agvsim's lab: what the hands do on the Lab's picture. Owns the start
// point's drag (the place; with Shift the heading toward the pointer) by
// mouse, pen or touch, and the picture's keys: r (the view back), 1 2 3 (the
// mechanism) and the window's view keys, passed to the program.
//
//   AgvsimPictureInput(canvas, host), once; host (lab.js): ready() (the
//   program has started), view() { viewScale [window units per m], viewPanX,
//   viewPanY [window units] }, start() { x, y [m] } (the start point shown),
//   locked(key), change(given) (as the controls change settings),
//   resetView(), viewKey(code) (a view key for the program, then the redraw).
// A touch that does not begin on the start point is left to the browser, so
// that a swipe over the picture scrolls the page.
(function () {
  'use strict';

  const SIDE = 800; // [CSS px] the picture at its full size
  const PIXELS_PER_UNIT = SIDE / 2; // [CSS px] a window unit at the full size
  const REACH_PX = 12; // [CSS px on the screen] how near the start point a drag must begin
  const WORLD_SHIFT_X = -2.0, WORLD_SHIFT_Y = -0.5; // [m] the vehicle view's world shift (graphics/scene.h)
  const VIEW_KEYS = 's0xXyYwWzZ';
  const HEADING_MIN_M = 1e-3; // [m] nearer than this the pointer gives no heading

  window.AgvsimPictureInput = function (canvas, host) {
    let dragging = null; // 'place' | 'heading' while a drag of the start point lasts

    // The place [m] under the pointer.
    function pointerTo(event) {
      const box = canvas.getBoundingClientRect(), v = host.view();
      const X = ((event.clientX - box.left) / box.width) * 2 - 1;
      const Y = 1 - ((event.clientY - box.top) / box.height) * 2;
      return [(X - v.viewPanX) / v.viewScale - WORLD_SHIFT_X, (Y - v.viewPanY) / v.viewScale - WORLD_SHIFT_Y];
    }

    function onPointer(event) {
      if (!host.ready()) return;
      const [x, y] = pointerTo(event);
      const s = host.start();
      if (event.type === 'pointerdown') {
        const heading = event.shiftKey;
        if (host.locked(heading ? 'th' : 'x') || host.locked(heading ? 'th' : 'y')) return;
        const shown = canvas.getBoundingClientRect().width / SIDE; // the picture's scale on the screen
        const reach = REACH_PX / (PIXELS_PER_UNIT * host.view().viewScale * shown); // [m]
        if (Math.hypot(x - s.x, y - s.y) > reach) return;
        dragging = heading ? 'heading' : 'place';
        canvas.setPointerCapture(event.pointerId);
        event.preventDefault();
      }
      if (!dragging) return;
      if (event.type === 'pointerup' || event.type === 'pointercancel') {
        dragging = null;
        return;
      }
      const round = (v) => Math.round(v * 100) / 100; // [m] to the field's step
      if (dragging === 'heading') {
        if (Math.hypot(x - s.x, y - s.y) > HEADING_MIN_M) host.change({ th: Math.round((Math.atan2(y - s.y, x - s.x) * 180) / Math.PI) });
      } else {
        host.change({ x: round(x), y: round(y) });
      }
    }

    function onKey(event) {
      if (event.ctrlKey || event.metaKey || event.altKey || !host.ready()) return;
      const key = event.key;
      if (key.length !== 1) return;
      if (key === 'r') host.resetView();
      else if ('123'.includes(key)) host.change({ mechanism: Number(key) });
      else if (VIEW_KEYS.includes(key)) host.viewKey(key.charCodeAt(0));
      else return;
      event.preventDefault();
    }

    ['pointerdown', 'pointermove', 'pointerup', 'pointercancel'].forEach((type) => canvas.addEventListener(type, onPointer));
    // The pointer events come first: once a drag of the start point has begun, the touch does not scroll.
    ['touchstart', 'touchmove'].forEach((type) => canvas.addEventListener(type, (e) => { if (dragging) e.preventDefault(); },
      { passive: false }));
    canvas.addEventListener('keydown', onKey);
  };
})();
