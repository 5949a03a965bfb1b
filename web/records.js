// agvsim's lab: the runs' records as the program's memory holds them. Owns the
// stores' layout (five state fields and eleven error fields a record, the
// sampled-data run's held command) and their de-interleaving into one array a
// field: fresh arrays for what is kept or exported, or the same arrays of the
// stores' size, made once, for what is drawn at every update.
//
//   const R = window.AgvsimRecords.reader(memory);
//     memory: { heapF64(address, count), readInt(address), int(name), dbl(name),
//     address(name) } (lab.js's views of the program's memory)
//   R.copy(i, controller) -> { t [s], <FIELDS>, u [rad/s], samples } fresh;
//   R.view(i, controller) the same record, in arrays reused by the next view
//     of that run (no allocation; valid until the next update).
//   i: mechanism index 0..2; controller: 'continuous' | 'sampled'.
// Units as the core's: m, rad, 1/m; u is NaN on the last record (it begins
// no interval); samples: the indexes of the sampling instants.
(function () {
  'use strict';

  const STATE_FIELDS = ['dist', 'theta', 'x', 'y', 'phi'];
  const ERROR_FIELDS = ['refArc', 'refTheta', 'refX', 'refY', 'refPhi', 'refCurv', 'refParam', 'ed', 'eth', 'ephi', 'dd'];
  const FIELDS = STATE_FIELDS.concat(ERROR_FIELDS);
  const MAX_RECORDS = 3000; // a store's records
  const DOUBLE_BYTES = 8;

  function reader(memory) {
    const reused = {}; // 'i/controller' -> arrays of MAX_RECORDS + 2 entries

    function arrays(make) {
      const run = { t: make(Float64Array) };
      FIELDS.forEach((f) => { run[f] = make(Float64Array); });
      return run;
    }

    // Records 0..count-1 of one run into run's arrays (of count entries or more).
    function fill(run, i, controller, count) {
      const sampled = controller === 'sampled';
      const traj = memory.heapF64(memory.address(sampled ? 'sampTraj' : 'contTraj') + i * MAX_RECORDS * 5 * DOUBLE_BYTES, count * 5);
      const errs = memory.heapF64(memory.address(sampled ? 'sampErr' : 'contErr') + i * MAX_RECORDS * 11 * DOUBLE_BYTES, count * 11);
      const dt = memory.dbl('dt');
      for (let n = 0; n < count; ++n) {
        run.t[n] = n * dt;
        for (let k = 0; k < 5; ++k) run[STATE_FIELDS[k]][n] = traj[5 * n + k];
        for (let k = 0; k < 11; ++k) run[ERROR_FIELDS[k]][n] = errs[11 * n + k];
      }
      if (!sampled) return;
      run.u.set(memory.heapF64(memory.address('sampCommand') + i * MAX_RECORDS * DOUBLE_BYTES, count));
      run.u[count - 1] = NaN; // the last record begins no interval
      const every = memory.int('stepsPerSample');
      for (let k = 0; k * every < count; ++k) run.samples[k] = k * every;
    }

    function count(i, controller) {
      const bound = memory.readInt(memory.address(controller === 'sampled' ? 'nPointsPI' : 'nPointsPC') + 4 * i);
      return bound < -1 ? 1 : Math.min(bound, MAX_RECORDS - 2) + 2;
    }
    const sampleCount = (n) => Math.floor((n - 1) / memory.int('stepsPerSample')) + 1;

    return {
      copy(i, controller) {
        const n = count(i, controller), run = arrays((Type) => new Type(n));
        if (controller === 'sampled') Object.assign(run, { u: new Float64Array(n), samples: new Int32Array(sampleCount(n)) });
        fill(run, i, controller, n);
        return run;
      },
      view(i, controller) {
        const key = i + '/' + controller, n = count(i, controller);
        if (!reused[key]) {
          reused[key] = arrays((Type) => new Type(MAX_RECORDS + 2));
          Object.assign(reused[key], { u: new Float64Array(MAX_RECORDS + 2), samples: new Int32Array(MAX_RECORDS + 2) });
        }
        const store = reused[key], run = {};
        fill(store, i, controller, n);
        for (const [name, values] of Object.entries(store)) {
          if (controller === 'sampled' || (name !== 'u' && name !== 'samples')) run[name] = values.subarray(0, name === 'samples' ? sampleCount(n) : n);
        }
        return run;
      },
    };
  }

  window.AgvsimRecords = { FIELDS, MAX_RECORDS, reader };
})();
