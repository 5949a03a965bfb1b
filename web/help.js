// agvsim's page: the help dialog, listing every key of both tabs (the Program
// tab's window keys, the Lab's picture keys, its reset keys and the sliders'
// keys). It owns the dialog element (a modal <dialog>: the page behind it inert,
// Tab going round inside it; Esc or its Close button closes it and the focus goes
// back where it was) and the Help button beside the tabs.
//
//   const help = AgvsimHelp({ lang });  // lang(): 'en' | 'ja', read at each opening
//   help.open(), help.close(), help.isOpen(), help.renderTexts()
//
// "?" opens it on either tab, except where a key is an answer: the Program tab's
// console panel (its questions take any key) and the text fields. Created by
// lab.js at the page's start.
(function () {
  'use strict';

  // [key(s), what it does], by group; the same keys in both languages.
  const PROGRAM_KEYS = ['1 2 3', 's', '0', 'x X y Y', 'w W', 'z Z', 'c f t h', 'Esc'];
  const LAB_KEYS = ['1 2 3', 's 0 x X y Y w W z Z', 'r', 'Alt+R', '?', '← → ↑ ↓', 'Shift + ← → ↑ ↓', 'Home End'];
  const TEXTS = {
    en: {
      button: 'Help', title: 'Keys', close: 'Close', program: 'Program tab: the picture (the window\'s keys)',
      lab: 'Lab tab', key: 'Key', does: 'What it does',
      programKeys: ['choose the mechanism', 'one step of the animation', 'back to the start', 'pan the view',
        'zoom out, in', 'move the phase plane', 'back to the console to change the settings', 'end the program'],
      labKeys: ['choose the mechanism (on the picture)', 'the window\'s view keys (on the picture)',
        'reset the view: zoom, pans, phase plane (on the picture)', 'reset all: settings, view, time (anywhere in the Lab)',
        'this help (on either tab, not in the console panel or a text field)', 'a slider one step',
        'a slider one fine step', 'a slider to its range\'s ends'],
    },
    ja: {
      button: 'ヘルプ', title: 'キー操作', close: '閉じる', program: 'プログラム タブ: 描画 (ウィンドウのキー)',
      lab: 'ラボ タブ', key: 'キー', does: '操作',
      programKeys: ['機構の選択', 'アニメーションを1ステップ進める', '始点に戻る', '平行移動', '縮小・拡大',
        '位相面の移動', 'コンソールに戻って設定を変える', 'プログラムの終了'],
      labKeys: ['機構の選択 (描画上)', 'ウィンドウの表示キー (描画上)', '表示を戻す: 拡大率・平行移動・位相面 (描画上)',
        'すべて戻す: 設定・表示・時刻 (ラボのどこでも)', 'このヘルプ (両タブ; コンソール欄と入力欄を除く)',
        'スライダーを1段階', 'スライダーを細かく1段階', 'スライダーを範囲の端へ'],
    },
  };

  window.AgvsimHelp = function ({ lang }) {
    const dialog = document.createElement('dialog');
    dialog.id = 'help-dialog';
    dialog.className = 'help';
    dialog.setAttribute('aria-labelledby', 'help-title');
    document.body.append(dialog);
    const button = document.createElement('button');
    button.type = 'button';
    button.id = 'help-open';
    button.className = 'help-open';
    button.setAttribute('aria-haspopup', 'dialog');
    document.querySelector('nav.tabs').after(button);
    let returnTo = null;

    function table(caption, keys, does, t) {
      const rows = keys.map(() => `<tr><th scope="row"><kbd></kbd></th><td></td></tr>`).join('');
      const box = document.createElement('table');
      box.innerHTML = `<caption></caption><thead><tr><th scope="col"></th><th scope="col"></th></tr></thead><tbody>${rows}</tbody>`;
      box.querySelector('caption').textContent = caption;
      box.querySelectorAll('thead th').forEach((th, n) => { th.textContent = n === 0 ? t.key : t.does; });
      box.querySelectorAll('tbody tr').forEach((tr, n) => {
        tr.querySelector('kbd').textContent = keys[n];
        tr.querySelector('td').textContent = does[n];
      });
      return box;
    }

    function renderTexts() {
      const t = TEXTS[lang()];
      button.textContent = t.button + ' (?)';
      dialog.lang = lang();
      dialog.replaceChildren();
      const title = document.createElement('h2');
      title.id = 'help-title';
      title.textContent = t.title;
      const close = document.createElement('button');
      close.type = 'button';
      close.id = 'help-close';
      close.textContent = t.close;
      close.addEventListener('click', () => dialog.close());
      dialog.append(title, table(t.program, PROGRAM_KEYS, t.programKeys, t), table(t.lab, LAB_KEYS, t.labKeys, t), close);
    }

    function open() {
      if (dialog.open) return;
      renderTexts();
      returnTo = document.activeElement;
      dialog.showModal();
      dialog.querySelector('#help-close').focus();
    }

    // Tab and Shift+Tab go round the dialog's controls (the modal dialog alone would let the focus
    // leave for the browser's own controls).
    dialog.addEventListener('keydown', (event) => {
      if (event.key !== 'Tab') return;
      const stops = [...dialog.querySelectorAll('button, [href], input, select, textarea, [tabindex]:not([tabindex="-1"])')];
      const at = stops.indexOf(document.activeElement);
      event.preventDefault();
      stops[(at + (event.shiftKey ? stops.length - 1 : 1)) % stops.length].focus();
    });
    dialog.addEventListener('close', () => {
      if (returnTo !== null && returnTo.isConnected) returnTo.focus();
      returnTo = null;
    });
    button.addEventListener('click', open);
    document.addEventListener('keydown', (event) => {
      if (event.key !== '?' || event.ctrlKey || event.metaKey || event.altKey || dialog.open) return;
      const target = event.target;
      if (target.id === 'console' || target.closest('#console')) return; // the console's questions take any key
      if (target.matches('input[type=text], input:not([type]), textarea, select, [contenteditable]')) return;
      event.preventDefault();
      open();
    });
    renderTexts();
    return { open, close: () => dialog.close(), isOpen: () => dialog.open, renderTexts };
  };
})();
