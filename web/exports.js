// agvsim's lab: files to take away. Owns the CSV rows of a run (one record a
// row: the columns given in front, the record index, t [s], the record's
// fields, and u, the held command, on a sampled-data run's records but its
// last, which begins no interval) and the download of a file.
//
//   AgvsimExports.runRows(front, run, controller, fields) -> [row text]
//     front: the leading columns' texts; run: { t, <fields>, u } as lab.js's
//     runRecords gives it; controller: 'continuous' | 'sampled'.
//   AgvsimExports.download(name, blob) offers the blob as a file of that name.
// Called by lab.js (the current runs) and compare.js (the kept sets).
(function () {
  'use strict';

  const REVOKE_MS = 1000; // [ms] the object URL outlives the click that reads it

  function runRows(front, run, controller, fields) {
    const rows = [], n = run.t.length;
    for (let j = 0; j < n; ++j) {
      const u = controller === 'sampled' && j < n - 1 ? String(run.u[j]) : '';
      rows.push(front.concat([j, run.t[j]], fields.map((f) => String(run[f][j])), [u]).join(','));
    }
    return rows;
  }

  function download(name, blob) {
    const a = document.createElement('a');
    a.href = URL.createObjectURL(blob);
    a.download = name;
    a.click();
    setTimeout(() => URL.revokeObjectURL(a.href), REVOKE_MS);
  }

  window.AgvsimExports = { runRows, download };
})();
