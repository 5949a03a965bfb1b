// agvsim's lab: files to take away. Owns the CSV rows of a run (one record a
// row: the columns given in front, the record index, t [s], the record's
// fields, and u, the held command, on a sampled-data run's records but its
// last, which begins no interval), the CSV's header with each column's unit,
// its first lines with the settings, the files' names, and the download.
//
//   AgvsimExports.runRows(front, run, controller, fields) -> [row text]
//     front: the leading columns' texts; run: { t, <fields>, u } as lab.js's
//     runRecords gives it; controller: 'continuous' | 'sampled'.
//   AgvsimExports.header(front, fields, path) the columns' names, units in [].
//   AgvsimExports.settingsLines(settings, mechanisms) '# ...' lines: the
//     program's version and the settings the rows were made with.
//   AgvsimExports.fileName(kind, settings, keys, extension) 'agvsim-<kind>_line_fn0.3....'
//   AgvsimExports.download(name, blob) offers the blob as a file of that name.
//   AgvsimExports.wire(host) the export buttons: host.settings() the applied
//     settings, host.csv() and host.locusCsv() texts, host.picture the canvas,
//     host.plots() the time plots (toBlob).
// Called by lab.js (the current runs) and compare.js (the kept sets).
(function () {
  'use strict';

  const REVOKE_MS = 1000; // [ms] the object URL outlives the click that reads it
  // Each column's unit, as the command line's `run --help` lists them; refParam's by the path.
  const UNITS = { t: 's', dist: 'm', theta: 'rad', x: 'm', y: 'm', phi: 'rad', refArc: 'm', refTheta: 'rad', refX: 'm',
    refY: 'm', refPhi: 'rad', refCurv: '1/m', ed: 'm', eth: 'rad', ephi: 'rad', dd: 'm', u: 'rad/s' };
  const PARAM_UNITS = { line: 'm', circle: 'rad' };
  const SETTING_UNITS = { fn: 'Hz', zeta: '', Ts: 's', x: 'm', y: 'm', th: 'deg' };
  const versionElement = document.querySelector('meta[name="agvsim-version"]');
  const VERSION = versionElement ? versionElement.content : '';

  function runRows(front, run, controller, fields) {
    const rows = [], n = run.t.length;
    for (let j = 0; j < n; ++j) {
      const u = controller === 'sampled' && j < n - 1 ? String(run.u[j]) : '';
      rows.push(front.concat([j, run.t[j]], fields.map((f) => String(run[f][j])), [u]).join(','));
    }
    return rows;
  }

  function header(front, fields, path) {
    const unit = (f) => (f === 'refParam' ? PARAM_UNITS[path] : UNITS[f]);
    return front.concat(['record'], ['t'].concat(fields, ['u']).map((f) => `${f} [${unit(f)}]`)).join(',');
  }

  // Comment lines, as CSV readers skip them (pandas' comment='#', NumPy's loadtxt).
  function settingsLines(s, mechanisms) {
    const number = (key) => `# ${key} = ${s[key]}${SETTING_UNITS[key] ? ' ' + SETTING_UNITS[key] : ''}`;
    return [`# agvsim ${VERSION} Lab: the three mechanisms' continuous and sampled-data runs`, `# path = ${s.path}`,
      `# mechanism shown = ${s.mechanism} (${mechanisms[s.mechanism - 1]})`].concat(Object.keys(SETTING_UNITS).map(number));
  }

  // A file name that tells the settings: agvsim-runs_line_fn0.3_zeta0.707_Ts0.2_x0_y1_th0.csv
  function fileName(kind, s, keys, extension) {
    const parts = keys.map((k) => (k === 'path' ? s.path : k === 'mechanism' ? 'mech' + s.mechanism : k + s[k]));
    return `agvsim-${kind}_${parts.join('_')}.${extension}`;
  }

  function download(name, blob) {
    const a = document.createElement('a');
    a.href = URL.createObjectURL(blob);
    a.download = name;
    a.click();
    setTimeout(() => URL.revokeObjectURL(a.href), REVOKE_MS);
  }

  const RUN_KEYS = ['path', 'mechanism', 'fn', 'zeta', 'Ts', 'x', 'y', 'th'];
  function wire(host) {
    const $ = (id) => document.getElementById(id), csvBlob = (text) => new Blob([text], { type: 'text/csv' });
    const name = (kind, keys, extension) => fileName(kind, host.settings(), keys, extension);
    $('lab-csv').addEventListener('click', () => download(name('runs', RUN_KEYS.filter((k) => k !== 'mechanism'), 'csv'), csvBlob(host.csv())));
    $('lab-csv-locus').addEventListener('click', () => download(name('locus', ['path', 'fn', 'zeta'], 'csv'), csvBlob(host.locusCsv())));
    $('lab-png').addEventListener('click', () => host.picture.toBlob((b) => download(name('picture', RUN_KEYS, 'png'), b)));
    $('lab-png-plots').addEventListener('click', () => host.plots().toBlob((b) => download(name('plots', RUN_KEYS, 'png'), b)));
  }

  window.AgvsimExports = { runRows, header, settingsLines, fileName, download, wire };
})();
