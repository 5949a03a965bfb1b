// agvsim's lab: its words in both languages (the page's other modules keep
// their own). TEXTS.en and TEXTS.ja hold the same keys: labels of the controls
// and buttons, the notes of refused values (functions of the name, the value
// and the rule), the plots' axis names and the scenarios' names by id.
// Read by lab.js (texts()) and, through it, plots.js.
(function () {
  'use strict';

  window.AgvsimLabTexts = {
    en: {
      tabProgram: 'Program', tabLab: 'Lab', programEnded: 'The program has ended.', startAgain: 'Start again', language: 'Language', path: 'Path', line: 'straight line y = 0',
      circle: 'circle x² + y² = 4', mechanism: 'Mechanism', fn: 'fn [Hz]', zeta: 'ζ', Ts: 'Ts [s]', x: 'start x [m]',
      y: 'start y [m]', th: 'start heading θ [deg]', scenario: 'Scenario', copyLink: 'Copy link', copied: 'Link copied',
      csv: 'Runs as CSV', pngPicture: 'Picture as PNG', pngPlots: 'Plots as PNG', play: 'Play', pause: 'Pause',
      time: 't [s]', speed: 'Speed', gains: 'Gains', verdict: 'at Ts', stable: 'stable', unstable: 'unstable',
      Tsmax: 'Tsmax [s] (report)', pathLimit: 'limit on this path [s]', radius: 'radius at Ts', pending: '…',
      refused: (name, value, rule) => `${name} = ${value} refused: ${rule}; kept ${name} as it was`,
      refusedLink: (name, value, rule) => `The link's ${name} = ${value} refused (${rule}): the default is used`,
      ruleFn: 'fn must be a number > 0', ruleZeta: 'ζ must be a number ≥ 0', ruleTs: 'Ts must be a finite number > 0',
      ruleNumber: 'a finite number is needed', ruleComma: 'write the decimals after a point (0.2), not a comma',
      ruleDecimal: 'a decimal number is needed, such as 0.2 or 1e-3', ruleFinite: 'the number is too large to be finite',
      rulePose: 'three finite numbers x,y,θ [m, m, deg] are needed, such as 0,1,0',
      undesigned: '2DW1C cannot be designed at ζ = 0: its gains are not finite (the steered mechanisms are designed normally).',
      dragHint: 'Drag the start point (black dot) on the picture; Shift-drag turns its heading. Keys on the picture: 1 2 3 s 0 x X y Y w W z Z.',
      dd: 'dd [m]', eth: 'eth [rad] (unwrapped)', phi: 'steering angle φ [rad]',
      phi2DW1C: 'equivalent steering angle atan(Lω/V) [rad]', command: 'steering rate [rad/s]',
      command2DW1C: 'turning rate ω [rad/s]', continuous: 'continuous', sampled: 'sampled-data (held)',
      scenarios: { defaults: 'Defaults (Exercise 1)', ex2: 'Exercise 2: just at the limit, 0.05 m start',
        ex3: 'Exercise 3: three phase planes (1RDW1FS)', ex4: 'Exercise 4: damping ratio ζ = 0.3',
        ex5: 'Exercise 5: the circle, start (1, 0, 90°)', ex6: 'Exercise 6: start heading 45°, Ts = 0.1 s',
        ex7: 'Exercise 7: the poles leave the unit circle' },
      panelTime: 'Time plots', panelPoles: 'z-plane', panelFrequency: 'Frequency', csvLocus: 'Locus as CSV',
      resetAll: 'Reset all (Alt+R)', resetView: 'Reset view (r)', loopsCaption: 'Stability by mechanism', mechanismHead: 'Mechanism',
    },
    ja: {
      tabProgram: 'プログラム', tabLab: 'ラボ', programEnded: 'プログラムは終了しました。', startAgain: 'もう一度始める', language: '言語', path: '経路', line: '直線 y=0', circle: '円弧 x²+y²=4',
      mechanism: 'AGV機構', fn: '固有振動数 fn [Hz]', zeta: '減衰比 ζ', Ts: 'サンプル時間 Ts [s]', x: '初期位置 x [m]',
      y: '初期位置 y [m]', th: '初期姿勢 θ [deg]', scenario: 'シナリオ', copyLink: 'リンクをコピー',
      copied: 'リンクをコピーした', csv: '走行データ (CSV)', pngPicture: '描画 (PNG)', pngPlots: 'グラフ (PNG)',
      play: '再生', pause: '停止', time: '時刻 t [s]', speed: '速さ', gains: 'ゲイン', verdict: 'Tsでの判定',
      stable: '安定', unstable: '不安定', Tsmax: '限界Ts [s] (報告)', pathLimit: 'この経路での限界 [s]',
      radius: 'Tsでのスペクトル半径', pending: '…',
      refused: (name, value, rule) => `${name} = ${value} は受け付けない: ${rule}。${name} は変えない`,
      refusedLink: (name, value, rule) => `リンクの ${name} = ${value} は受け付けない (${rule})。既定値を使う`,
      ruleFn: 'fn は 0 より大きい数', ruleZeta: 'ζ は 0 以上の数', ruleTs: 'Ts は 0 より大きい有限の数',
      ruleNumber: '有限の数が必要', ruleComma: '小数点はコンマでなくピリオド (0.2)',
      ruleDecimal: '10進数の数が必要 (0.2 や 1e-3 など)', ruleFinite: '数が大きすぎて有限でない',
      rulePose: '有限の数を3つ x,y,θ [m, m, deg] が必要 (0,1,0 など)',
      undesigned: 'ζ = 0 では 2DW1C は設計できない: ゲインが有限でない (操舵型の機構は通常どおり設計される)。',
      dragHint: '描画上の始点 (黒点) をドラッグで移動、Shift+ドラッグで姿勢を回す。描画上のキー: 1 2 3 s 0 x X y Y w W z Z。',
      dd: 'dd [m]', eth: 'eth [rad] (連続化)', phi: '操舵角 φ [rad]', phi2DW1C: '等価操舵角 atan(Lω/V) [rad]',
      command: '操舵角速度 [rad/s]', command2DW1C: '旋回角速度 ω [rad/s]', continuous: '連続制御 (P制御)',
      sampled: 'サンプル値制御 (PI制御, 保持)',
      scenarios: { defaults: '既定値 (演習1)', ex2: '演習2: 限界ちょうど, 0.05 m から', ex3: '演習3: 位相面 (1RDW1FS)',
        ex4: '演習4: 減衰比 ζ = 0.3', ex5: '演習5: 円弧, 始点 (1, 0, 90°)', ex6: '演習6: 初期姿勢 45°, Ts = 0.1 s',
        ex7: '演習7: 極が単位円の外へ' },
      panelTime: '時間応答', panelPoles: 'z平面', panelFrequency: '周波数応答', csvLocus: '軌跡 (CSV)',
      resetAll: 'すべて戻す (Alt+R)', resetView: '表示を戻す (r)', loopsCaption: '機構ごとの安定性', mechanismHead: 'AGV機構',
    },
  };
})();
