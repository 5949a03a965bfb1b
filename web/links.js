// agvsim's lab: teacher-made links. It owns the fragment's keys beyond the
// settings: lock= (controls shown read-only, their values the link's), hide=
// (parts of the Lab not shown, and not drawn), lang= (ja | en) and task= (a short
// text shown above the controls, plain text: written with textContent, never
// parsed as HTML, at most TASK_CHARS characters); the note of what is fixed; and
// the "Make a link for students" panel (a details element) that builds such a
// link from the current settings.
//
//   const links = AgvsimLinks({ controls, task, settingsLink, lang });
//     controls: the element the Lab's controls are in (the task goes above them,
//     the panel at their end); settingsLink(): lab.js's fragment of the settings
//     ('#lab&path=...'); lang(): 'en' | 'ja'.
//   links.read(given) takes lock, hide, lang, task out of a fragment's key -> value
//     map (and applies them); returns { refused: [[key, value, rule]], lang }.
//   links.fragment() ('&lock=...' of what the page was opened with), links.locked(key)
//   (a settings key: path, mechanism, fn, zeta, Ts, x, y, th), links.hidden(part),
//   links.echo(value) (a refused value as a note quotes it), links.renderTexts().
// A value of a repeated key is its last one. Called by lab.js.
(function () {
  'use strict';

  const TASK_CHARS = 280; // [characters] a task's longest text
  const ECHO_CHARS = 40; // [characters] of a refused value quoted in a note
  // The controls that lock= names (the fragment's names) and lab.js's settings keys.
  const LOCKS = { path: 'path', mech: 'mechanism', fn: 'fn', zeta: 'zeta', Ts: 'Ts', x: 'x', y: 'y', th: 'th' };
  // The parts that hide= names, and the elements of each.
  const PARTS = {
    plots: ['lab-plots', 'lab-panel-time'], poles: ['lab-zplane-panel', 'lab-panel-poles'],
    frequency: ['lab-frequency', 'lab-panel-frequency'], figures: ['lab-figures'], marks: ['lab-marks-Ts', 'lab-marks-Ts-words'],
    sentences: ['lab-sentences'], compare: ['lab-compare'], exports: ['lab-exports'], scenarios: ['lab-scenario-row'],
    maker: ['lab-link-maker'],
  };
  const LANGS = ['ja', 'en'];
  const TEXTS = {
    en: {
      locked: (names) => `Fixed by this link: ${names}`, maker: 'Make a link for students', lockLegend: 'Fix these controls',
      hideLegend: 'Hide these parts', language: 'Language of the page', anyLanguage: 'the reader\'s', task: 'Task (plain text)',
      make: 'Make the link', made: 'The link (copied):', ruleLock: `control names: ${Object.keys(LOCKS).join(', ')}`,
      ruleHide: `part names: ${Object.keys(PARTS).join(', ')}`, ruleLang: 'ja | en', ruleTask: `at most ${TASK_CHARS} characters`,
    },
    ja: {
      locked: (names) => `このリンクで固定: ${names}`, maker: '学生用のリンクを作る', lockLegend: '固定する操作',
      hideLegend: '隠す部分', language: 'ページの言語', anyLanguage: '閲覧者の言語', task: '課題 (テキストのみ)',
      make: 'リンクを作る', made: 'リンク (コピーした):', ruleLock: `操作の名前: ${Object.keys(LOCKS).join(', ')}`,
      ruleHide: `部分の名前: ${Object.keys(PARTS).join(', ')}`, ruleLang: 'ja | en', ruleTask: `${TASK_CHARS} 文字まで`,
    },
  };

  const $ = (id) => document.getElementById(id);
  const echo = (value) => {
    const text = String(value);
    return text.length > ECHO_CHARS ? text.slice(0, ECHO_CHARS) + '…' : text;
  };
  // A comma-separated list's names, or null when one of them is unknown.
  function names(value, known) {
    const list = String(value).split(',').filter((n) => n !== '');
    return list.every((n) => Object.prototype.hasOwnProperty.call(known, n)) ? [...new Set(list)] : null;
  }

  window.AgvsimLinks = function ({ controls, settingsLink, lang }) {
    const given = { lock: [], hide: [], lang: null, task: null }; // what the page was opened with
    const t = () => TEXTS[lang()];

    const taskBox = document.createElement('p');
    taskBox.id = 'lab-task';
    taskBox.className = 'task';
    taskBox.hidden = true;
    const lockNote = document.createElement('p');
    lockNote.id = 'lab-locked';
    lockNote.className = 'note locked';
    lockNote.hidden = true;
    controls.prepend(taskBox, lockNote);

    function apply() {
      for (const [name, key] of Object.entries(LOCKS)) {
        const on = given.lock.includes(name);
        ['lab-slider-', 'lab-field-', 'lab-'].forEach((prefix) => {
          const e = $(prefix + key);
          if (e === null) return;
          if (e.tagName === 'INPUT' && e.type === 'text') e.readOnly = on;
          else e.disabled = on;
        });
      }
      lockNote.hidden = given.lock.length === 0;
      lockNote.textContent = t().locked(given.lock.join(', '));
      taskBox.hidden = given.task === null || given.task === '';
      taskBox.textContent = given.task || '';
      const view = $('lab-view');
      Object.keys(PARTS).forEach((part) => view.classList.toggle('hide-' + part, given.hide.includes(part)));
    }

    function read(map) {
      const refused = [];
      given.lock = [];
      given.hide = [];
      given.task = null;
      given.lang = null;
      if ('lock' in map) {
        const list = names(map.lock, LOCKS);
        if (list === null) refused.push(['lock', map.lock, t().ruleLock]); else given.lock = list;
      }
      if ('hide' in map) {
        const list = names(map.hide, PARTS);
        if (list === null) refused.push(['hide', map.hide, t().ruleHide]); else given.hide = list;
      }
      if ('lang' in map) {
        if (LANGS.includes(map.lang)) given.lang = map.lang; else refused.push(['lang', map.lang, t().ruleLang]);
      }
      if ('task' in map) {
        const text = String(map.task);
        if ([...text].length <= TASK_CHARS) given.task = text; else refused.push(['task', map.task, t().ruleTask]);
      }
      apply();
      return { refused, lang: given.lang };
    }

    function encode(extras) {
      return (extras.lock.length ? '&lock=' + extras.lock.join(',') : '')
        + (extras.hide.length ? '&hide=' + extras.hide.join(',') : '')
        + (extras.lang ? '&lang=' + extras.lang : '')
        + (extras.task ? '&task=' + encodeURIComponent(extras.task) : '');
    }

    // ---- The panel that makes a link ----------------------------------------------------------

    const maker = document.createElement('details');
    maker.id = 'lab-link-maker';
    maker.className = 'link-maker';
    const boxes = (kind, list) => list.map((n) => `<label><input type="checkbox" data-${kind}="${n}"> ${n}</label>`).join(' ');
    maker.innerHTML = '<summary data-link="maker"></summary>'
      + `<fieldset><legend data-link="lockLegend"></legend>${boxes('lock', Object.keys(LOCKS))}</fieldset>`
      + `<fieldset><legend data-link="hideLegend"></legend>${boxes('hide', Object.keys(PARTS).filter((p) => p !== 'maker'))}</fieldset>`
      + '<div class="row"><label for="lab-link-lang" data-link="language"></label><select id="lab-link-lang">'
      + '<option value="" data-link="anyLanguage"></option><option value="ja">日本語</option><option value="en">English</option></select></div>'
      + `<label for="lab-link-task" data-link="task"></label><textarea id="lab-link-task" rows="3" maxlength="${TASK_CHARS}"></textarea>`
      + '<div class="row buttons"><button type="button" id="lab-link-make" data-link="make"></button></div>'
      + '<label for="lab-link-output" data-link="made"></label><input type="text" id="lab-link-output" readonly>';
    controls.append(maker);

    function studentLink() {
      const checked = (kind) => [...maker.querySelectorAll(`input[data-${kind}]`)].filter((e) => e.checked).map((e) => e.dataset[kind]);
      const extras = { lock: checked('lock'), hide: checked('hide').concat('maker'), lang: $('lab-link-lang').value || null,
        task: $('lab-link-task').value.slice(0, TASK_CHARS) };
      return location.href.split('#')[0] + settingsLink() + encode(extras);
    }

    $('lab-link-make').addEventListener('click', () => {
      const text = studentLink();
      $('lab-link-output').value = text;
      if (navigator.clipboard) navigator.clipboard.writeText(text).catch(() => {});
    });

    function renderTexts() {
      maker.querySelectorAll('[data-link]').forEach((e) => { e.textContent = t()[e.dataset.link]; });
      lockNote.textContent = t().locked(given.lock.join(', '));
    }
    renderTexts();

    return {
      read,
      fragment: () => encode(given),
      locked: (key) => given.lock.some((name) => LOCKS[name] === key),
      hidden: (part) => given.hide.includes(part),
      // The language chosen on the page replaces the link's, when it had one.
      chose(language) { if (given.lang !== null) given.lang = language; },
      echo,
      renderTexts,
    };
  };
})();
