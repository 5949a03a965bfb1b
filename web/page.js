// agvsim in a web page: the page's side of the program's backends, and the
// scripting surface window.agvsim.
//
// The program (agvsim.js, the C++ program compiled to WebAssembly) runs one
// loop that waits, through Asyncify, for what the user does next: a key for a
// question of the console dialog, a line for a number entry, a key typed on
// the picture. The page's event handlers only record what the user did and
// resolve the one wait that is pending; nothing calls into the program while
// it waits. What the program writes to standard output arrives byte by byte
// and is decoded as UTF-8 into the console panel. The picture arrives as a
// buffer of drawing commands per frame (web/immediate_canvas.cpp), drawn on
// the canvas by picture.js.
//
// Without a keyboard, buttons stand for keys (a key question's keys under the
// console, the window's under the picture) and a field types a number entry's
// line; both send the bytes that typed keys would, into the same waits. At
// each read, the text written since the read before goes once to a hidden
// live region for screen readers (the panel itself is not live).
//
// Sections: the console panel; touch controls and the tab list; the
// program's page (the waits, the keys, state(), start); the wiring.
(function () {
  'use strict';

  // Key codes the program takes for keys that are not characters.
  const KEY_CODES = { Enter: 10, Escape: 27, Backspace: 127 };

  const encoder = new TextEncoder();

  // ---- The console panel ---------------------------------------------------

  // What the program wrote and what the user typed, as a teletype shows them:
  // text is appended, and one line is being typed at the end.
  function ConsolePanel(element) {
    const history = document.createTextNode('');
    const typing = document.createElement('span');
    typing.className = 'typing';
    element.replaceChildren(history, typing);

    this.append = function (text) {
      history.appendData(text);
      element.scrollTop = element.scrollHeight;
    };
    this.showTyping = function (text) {
      typing.textContent = text;
      element.scrollTop = element.scrollHeight;
    };
    this.clear = function () {
      history.data = '';
      typing.textContent = '';
    };
  }

  // ---- Touch controls and the tab list -------------------------------------

  function keyCodeOf(event) {
    if (event.ctrlKey || event.metaKey || event.altKey || event.isComposing) return -1;
    if (event.key in KEY_CODES) return KEY_CODES[event.key];
    if ([...event.key].length !== 1) return -1; // Shift, arrows, F1 ...: no character
    return encoder.encode(event.key)[0]; // the first byte, as a terminal sends it
  }

  // The buttons that stand for keys, for a screen without a keyboard: a
  // key's text, what it does in English and in Japanese (shown as the Lab's
  // language chooses: lab.js shows the elements whose data-lang is the
  // document's lang). The picture's keys are the window's; a key question's
  // buttons are the keys it takes, found from the prompt that ends the
  // program's text (the other keys answer as the last of them does).
  const PICTURE_KEYS = [
    ['1', '2DW1C', '2DW1C'], ['2', '1FDW1FS', '1FDW1FS'], ['3', '1RDW1FS', '1RDW1FS'],
    ['s', 'step', '1ステップ'], ['0', 'to the start', '始点へ'],
    ['x', 'pan left', '左へ'], ['X', 'pan right', '右へ'], ['y', 'pan down', '下へ'], ['Y', 'pan up', '上へ'],
    ['w', 'zoom out', '縮小'], ['W', 'zoom in', '拡大'],
    ['z', 'phase plane left', '位相面を左へ'], ['Z', 'phase plane right', '位相面を右へ'],
    ['c', 'path', '経路変更'], ['f', 'fn and ζ', 'fn ζ 変更'], ['t', 'Ts', 'Ts 変更'], ['h', 'start pose', '初期状態変更'],
    ['Esc', 'end', '終了', KEY_CODES.Escape],
  ];
  const QUESTION_KEYS = {
    path: [['0', 'straight line', '直線'], ['1', 'circle', '円弧']],
    yesNo: [['y', 'yes', 'はい'], ['n', 'no', 'いいえ']],
    any: [['␣', 'next (any key)', '次へ（任意キー）', ' '.charCodeAt(0)]],
  };
  const PROMPT_KEYS = [['I= ', 'path'], ['入力 ', 'yesNo']]; // the prompt's end, its keys; otherwise 'any'

  // A button for a key: its text, then what it does in both languages (the
  // one not spoken hidden); data-code, the byte it sends.
  function keyButton(key, en, ja, code) {
    const button = document.createElement('button');
    button.type = 'button';
    button.dataset.code = String(code === undefined ? encoder.encode(key)[0] : code);
    const glyph = document.createElement('kbd');
    glyph.textContent = key;
    button.append(glyph);
    for (const [lang, text] of [['en', en], ['ja', ja]]) {
      const span = document.createElement('span');
      span.dataset.lang = lang;
      span.lang = lang;
      span.textContent = ' ' + text;
      span.hidden = lang !== document.documentElement.lang;
      button.append(span);
    }
    return button;
  }

  function questionKind(written) {
    const found = PROMPT_KEYS.find(([end]) => written.endsWith(end));
    return found ? found[1] : 'any';
  }

  // The tab list: Left/Right (round), Home and End move to a tab and select
  // it (its click, which lab.js handles); the selected tab alone is in the Tab
  // order, whoever selects it.
  const TAB_LIST_KEYS = ['ArrowLeft', 'ArrowRight', 'Home', 'End', 'Tab'], HELP_KEY = '?';
  function setUpTabs(list) {
    const tabs = [...list.querySelectorAll('[role="tab"]')];
    const moves = { ArrowLeft: (k) => (k + tabs.length - 1) % tabs.length, ArrowRight: (k) => (k + 1) % tabs.length,
      Home: () => 0, End: () => tabs.length - 1 };
    list.addEventListener('keydown', (event) => {
      const k = tabs.indexOf(event.target);
      if (k < 0 || !(event.key in moves) || event.altKey || event.ctrlKey || event.metaKey) return;
      event.preventDefault();
      const tab = tabs[moves[event.key](k)];
      tab.focus();
      tab.click();
    });
    const rove = () => tabs.forEach((tab) => { tab.tabIndex = tab.getAttribute('aria-selected') === 'true' ? 0 : -1; });
    new MutationObserver(rove).observe(list, { subtree: true, attributeFilter: ['aria-selected'] });
    rove();
  }

  // Brings an element into view if part of it is out of view.
  function reveal(element) {
    const box = element.getBoundingClientRect();
    if (box.top < 0 || box.bottom > window.innerHeight) element.scrollIntoView({ block: 'start' });
  }

  // ---- The program's page --------------------------------------------------

  const page = {
    canvas: document.getElementById('picture'),
    panelElement: document.getElementById('console'),
    endedElement: document.getElementById('ended'),
    newsElement: document.getElementById('console-news'), // the screen reader's: each read's new text
    answerKeys: document.getElementById('console-keys'), // buttons of the keys a key question takes
    lineForm: document.getElementById('console-line'), // a number entry's line, typed on any keyboard
    input: document.getElementById('console-input'),
    pictureKeys: document.getElementById('picture-keys'), // buttons of the window's keys
    announced: 0, // how much of written the screen reader has been given
    picture: null,
    panel: null,
    generation: 0, // counts the programs started, so that an ended one is not heard
    written: '', // everything the program has written, decoded
    decoder: null,
    pendingOutput: [],
    outputScheduled: false,
    typed: '', // the line being typed
    typedLines: [], // lines ended with Enter that no read has taken yet
    lineBytes: null, // the line the program is reading, with its line feed, UTF-8
    linePosition: 0,
    waiter: null, // the program's pending wait: {kind: 'key' | 'line' | 'window', since, resolve}
    windowKeys: [], // keys typed on the picture that the program has not taken yet
    dialog: false,
    ended: false,
    stateAddresses: null,
    readInt: null,
    readDouble: null,

    // -- called by the program (web/*.cpp) --

    connect(title, addresses, readInt, readDouble) {
      document.title = title;
      this.stateAddresses = addresses;
      this.readInt = readInt;
      this.readDouble = readDouble;
    },

    waitKey() {
      this.flushOutput();
      const touched = this.touched();
      this.startQuestion(questionKind(this.written));
      this.typedLines = []; // typed ahead: a key question does not take it
      this.setTyped('');
      this.input.value = '';
      this.focus(touched ? this.answerKeys.querySelector('button:not([hidden])') : this.panelElement);
      return new Promise((resolve) => {
        this.waiter = { kind: 'key', since: performance.now(), resolve };
      });
    },

    waitLine() {
      this.flushOutput();
      const touched = this.touched();
      this.startQuestion(null);
      this.focus(touched ? this.input : this.panelElement);
      if (this.typedLines.length > 0) {
        this.takeLine(this.typedLines.shift());
        return Promise.resolve();
      }
      return new Promise((resolve) => {
        this.waiter = { kind: 'line', resolve };
      });
    },

    lineByte() {
      if (this.lineBytes === null || this.linePosition >= this.lineBytes.length) return -1;
      return this.lineBytes[this.linePosition++];
    },

    unreadByte() {
      if (this.linePosition > 0) this.linePosition -= 1;
    },

    showPicture() {
      this.flushOutput();
      this.canvas.classList.remove('waiting');
      this.endDialog();
    },

    waitWindowKey() {
      this.flushOutput();
      if (this.windowKeys.length > 0) return Promise.resolve(this.windowKeys.shift());
      return new Promise((resolve) => {
        this.waiter = { kind: 'window', resolve };
      });
    },

    discardWindowKeys() {
      this.endDialog();
    },

    draw(ops, heap, chars) {
      this.picture.draw(ops, heap, chars);
    },

    programEnded() {
      this.flushOutput();
      this.announce();
      this.ended = true;
      this.dialog = false;
      this.waiter = null;
      this.pictureKeys.hidden = true;
      this.endedElement.hidden = false;
      this.focus(this.endedElement.querySelector('button'));
    },

    // -- the page's own --

    output(byte) {
      this.pendingOutput.push(byte & 255);
      if (!this.outputScheduled) {
        this.outputScheduled = true;
        queueMicrotask(() => this.flushOutput());
      }
    },

    flushOutput() {
      this.outputScheduled = false;
      if (this.pendingOutput.length === 0) return;
      const text = this.decoder.decode(Uint8Array.from(this.pendingOutput), { stream: true });
      this.pendingOutput = [];
      this.written += text;
      this.panel.append(text);
    },

    endDialog() {
      this.announce();
      this.dialog = false;
      this.windowKeys = [];
      this.answerKeys.hidden = true;
      this.pictureKeys.hidden = false;
      this.focus(this.canvas);
      reveal(this.canvas);
    },

    // A read of the dialog begins: its new text to the screen reader; the
    // buttons of a key question's keys (kind: a QUESTION_KEYS name) or none
    // (a number entry); the console in view.
    startQuestion(kind) {
      this.announce();
      this.dialog = true;
      this.pictureKeys.hidden = true;
      this.answerKeys.hidden = kind === null;
      for (const button of this.answerKeys.children) button.hidden = button.dataset.kind !== kind;
      reveal(this.panelElement.parentElement);
    },

    // Whether the user answers with the console's buttons and line (the last
    // answer was given there): the next read's focus goes there too.
    touched() {
      const a = document.activeElement;
      return a !== null && (this.answerKeys.contains(a) || this.lineForm.contains(a));
    },

    announce() {
      const news = this.written.slice(this.announced).trim();
      this.announced = this.written.length;
      if (news !== '') this.newsElement.textContent = news;
    },

    // A key sent by a button or by the line's field while a key question
    // waits: taken as a typed key.
    answerKey(code) {
      const w = this.waiter;
      if (w === null || w.kind !== 'key' || this.ended) return;
      this.waiter = null;
      w.resolve(code);
    },

    // The line's field: while a key question waits, its first character is
    // the key; otherwise it is the line being typed, shown in the console.
    onInput() {
      const w = this.waiter;
      if (w !== null && w.kind === 'key') {
        const value = this.input.value;
        this.input.value = '';
        if (value !== '') this.answerKey(encoder.encode(value)[0]);
      } else if (this.dialog && !this.ended) {
        this.setTyped(this.input.value);
      }
    },

    // Enter in the line's field: the line ends as if typed on the console
    // (a key question takes Enter itself).
    onLineSubmit(event) {
      event.preventDefault();
      const w = this.waiter;
      if (w !== null && w.kind === 'key') {
        this.answerKey(KEY_CODES.Enter);
      } else if (this.dialog && !this.ended) {
        this.setTyped(this.input.value);
        this.endLine();
      }
      this.input.value = ''; // ready for the next line (while the picture shows, a line is dropped)
    },

    // Where the program reads: the picture, the console during the dialog, the ended line's button.
    reader() {
      return this.ended ? this.endedElement.querySelector('button') : this.dialog ? this.panelElement : this.canvas;
    },

    focus(element) {
      if (element && document.activeElement !== element) element.focus({ preventScroll: true });
    },

    setTyped(text) {
      this.typed = text;
      this.panel.showTyping(text);
    },

    // A line ended with Enter: echoed, then read by the program.
    takeLine(line) {
      this.panel.append(line + '\n');
      this.lineBytes = encoder.encode(line + '\n');
      this.linePosition = 0;
    },

    endLine() {
      const line = this.typed;
      this.setTyped('');
      const w = this.waiter;
      if (w !== null && w.kind === 'line') {
        this.waiter = null;
        this.takeLine(line);
        w.resolve();
      } else {
        this.typedLines.push(line);
      }
    },

    // Text typed or pasted while a number entry waits: line feeds end lines.
    typeText(text) {
      const parts = text.replace(/\r\n?/g, '\n').split('\n');
      this.setTyped(this.typed + parts[0]);
      for (let k = 1; k < parts.length; ++k) {
        this.endLine();
        this.setTyped(parts[k]);
      }
    },

    onConsoleKey(event) {
      const code = keyCodeOf(event);
      if (code < 0) return;
      event.preventDefault();
      const w = this.waiter;
      if (w === null || this.ended) return; // no question is waiting: the key is dropped
      if (w.kind === 'key') {
        if (event.timeStamp < w.since) return; // pressed before the question began
        this.waiter = null;
        w.resolve(code);
      } else if (w.kind === 'line') {
        if (event.key === 'Enter') {
          this.endLine();
        } else if (event.key === 'Backspace') {
          this.setTyped([...this.typed].slice(0, -1).join(''));
        } else if (code !== KEY_CODES.Escape) {
          this.setTyped(this.typed + event.key);
        }
      }
    },

    onConsolePaste(event) {
      event.preventDefault();
      const w = this.waiter;
      if (w !== null && w.kind === 'line' && !this.ended) {
        this.typeText(event.clipboardData.getData('text/plain'));
      }
    },

    onCanvasKey(event) {
      const code = keyCodeOf(event);
      if (code < 0) return;
      event.preventDefault();
      this.windowKey(code);
    },

    windowKey(code) {
      if (this.dialog || this.ended || this.stateAddresses === null) return; // dropped
      const w = this.waiter;
      if (w !== null && w.kind === 'window') {
        this.waiter = null;
        w.resolve(code);
      } else {
        this.windowKeys.push(code);
      }
    },

    state() {
      const a = this.stateAddresses;
      if (a === null) return null;
      const int = this.readInt;
      const dbl = this.readDouble;
      const three = (address, size, read) => [0, 1, 2].map((k) => read(address + k * size));
      const names = ['agvType', 'pathType', 'fn', 'zeta', 'Ts', 'stepsPerSample', 'dt', 'x0', 'y0', 'th0', 'viewScale',
        'viewPanX', 'viewPanY', 'phasePlaneX', 'phasePlaneY', 'animIndexPC', 'animIndexPI', 'animSampleK'];
      const ints = new Set(['agvType', 'pathType', 'stepsPerSample', 'animIndexPC', 'animIndexPI', 'animSampleK']);
      const s = {};
      names.forEach((name, k) => {
        s[name] = ints.has(name) ? int(a[k]) : dbl(a[k]);
      });
      s.nPointsPC = three(a[18], 4, int);
      s.nPointsPI = three(a[19], 4, int);
      s.Tsmax = three(a[20], 8, dbl);
      const w = this.waiter;
      s.dialog = this.dialog;
      s.input = w !== null && w.kind !== 'window' ? w.kind : null;
      s.ended = this.ended;
      return s;
    },

    start() {
      const generation = ++this.generation;
      Object.assign(this, {
        written: '', announced: 0, decoder: new TextDecoder('utf-8'), pendingOutput: [], typed: '', typedLines: [],
        lineBytes: null, linePosition: 0, waiter: null, windowKeys: [], dialog: false, ended: false,
        stateAddresses: null,
      });
      this.panel.clear();
      this.newsElement.textContent = '';
      this.input.value = '';
      this.answerKeys.hidden = this.pictureKeys.hidden = true;
      this.endedElement.hidden = true;
      window.scrollTo(0, 0); // the first question at the top, as at the page's load
      this.canvas.classList.add('waiting');
      const current = () => generation === this.generation;
      const output = (byte) => {
        if (byte !== null && current()) this.output(byte);
      };
      createAgvsim({
        agvPage: this,
        preRun: [(module) => module.FS.init(null, output, output)],
      }).catch((error) => {
        if (current()) this.panel.append('\n[agvsim could not start: ' + error + ']\n');
      });
    },
  };

  // ---- The wiring ----------------------------------------------------------


  page.picture = new window.AgvsimPicture(page.canvas);
  page.panel = new ConsolePanel(page.panelElement);
  page.panelElement.addEventListener('keydown', (event) => page.onConsoleKey(event));
  page.panelElement.addEventListener('paste', (event) => page.onConsolePaste(event));
  page.canvas.addEventListener('keydown', (event) => page.onCanvasKey(event));
  for (const [kind, keys] of Object.entries(QUESTION_KEYS)) {
    for (const [key, en, ja, code] of keys) {
      const button = keyButton(key, en, ja, code);
      button.dataset.kind = kind;
      button.addEventListener('click', () => page.answerKey(Number(button.dataset.code)));
      page.answerKeys.append(button);
    }
  }
  for (const [key, en, ja, code] of PICTURE_KEYS) {
    const button = keyButton(key, en, ja, code);
    button.addEventListener('click', () => page.windowKey(Number(button.dataset.code)));
    page.pictureKeys.append(button);
  }
  page.input.addEventListener('input', () => page.onInput());
  page.lineForm.addEventListener('submit', (event) => page.onLineSubmit(event));
  page.lineForm.querySelectorAll('[data-insert]').forEach((button) => {
    button.addEventListener('pointerdown', (event) => event.preventDefault()); // the field keeps the focus
    button.addEventListener('click', () => {
      const field = page.input;
      field.setRangeText(button.dataset.insert, field.selectionStart, field.selectionEnd, 'end');
      field.focus();
      page.onInput();
    });
  });
  setUpTabs(document.querySelector('[role="tablist"]'));
  // Back on the Program tab: a click gives the focus back to where the program reads; a key typed on
  // the tab (the tab list's own keys and the help's ? aside) goes there and is taken there, not dropped.
  const programTab = document.getElementById('tab-program');
  programTab.addEventListener('click', (event) => { // once the tab's panel shows (lab.js shows it on the same click)
    if (event.detail > 0) setTimeout(() => page.focus(page.reader()), 0);
  });
  programTab.addEventListener('keydown', (event) => {
    if (TAB_LIST_KEYS.includes(event.key) || event.key === HELP_KEY || keyCodeOf(event) < 0) return;
    const reader = page.reader();
    page.focus(reader);
    if (reader === page.panelElement) page.onConsoleKey(event);
    else if (reader === page.canvas) page.onCanvasKey(event);
  });
  page.endedElement.querySelector('button').addEventListener('click', () => page.start());

  // The scripting surface, for tests and for demonstrations (lab.js adds agvsim.lab).
  window.agvsim = Object.assign(window.agvsim || {}, {
    consoleText: () => page.written,
    state: () => page.state(),
    restart: () => page.start(),
  });

  page.start();
})();
