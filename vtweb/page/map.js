'use strict';
// The landmark map: one model of the file's landmarks, a view (centre and
// scale) that the canvas is drawn from, and the list beside it. Drawing
// reads the model and never changes it, so that editing can later change the
// model alone and ask for a redraw.
(function () {
  const POLL_MS = 500;
  const ROW_HEIGHT = 20;
  const HIT_RADIUS = 8;       // pixels around a symbol that pick it
  // Pixels kept free around the whole file: the zoom buttons on the left,
  // north at the top, the scale bar at the bottom.
  const FIT_MARGIN = { left: 60, right: 30, top: 44, bottom: 44 };
  const LABEL_LIMIT = 1500;   // no labels while more landmarks are in view
  const ZOOM_STEP = 1.5;

  // Symbols in pixels, centred on 0,0, by type code; codes without a symbol
  // of their own (6 and 9 to 255) are drawn as the star.
  const SHAPES = {
    0: null,  // a circle of radius 4
    1: [[-4, -4], [4, -4], [4, 4], [-4, 4]],
    2: [[0, -5], [5, 0], [0, 5], [-5, 0]],
    3: [[0, -5], [5, 4], [-5, 4]],
    4: [[0, 5], [5, -4], [-5, -4]],
    5: [[-4.5, 0], [-2.25, -4], [2.25, -4], [4.5, 0], [2.25, 4], [-2.25, 4]],
    7: [[0, -5], [4.8, -1.5], [3, 4], [-3, 4], [-4.8, -1.5]],
    8: [[-1.5, -5], [1.5, -5], [1.5, -1.5], [5, -1.5], [5, 1.5], [1.5, 1.5], [1.5, 5],
      [-1.5, 5], [-1.5, 1.5], [-5, 1.5], [-5, -1.5], [-1.5, -1.5]],
    x: [[0, -5], [1.2, -1.6], [4.8, -1.5], [1.9, 0.6], [2.9, 4], [0, 2], [-2.9, 4],
      [-1.9, 0.6], [-4.8, -1.5], [-1.2, -1.6]],
  };
  const SIDE_COLOURS = ['#1f5fbf', '#d9480f', '#9e9e9e'];  // Central, Allied, invalid
  const SELECTED_COLOUR = '#ffd400';

  function symbolOf(typeCode) {
    return typeCode <= 8 && typeCode !== 6 ? String(typeCode) : 'x';
  }
  function sideIndex(sideCode) {
    return sideCode < 2 ? sideCode : 2;
  }
  // An invalid side or a type without a symbol gets the dashed red outline.
  function isDashed(typeCode, sideCode) {
    return sideIndex(sideCode) === 2 || symbolOf(typeCode) === 'x';
  }

  function tracePath(ctx, symbol, x, y) {
    const points = SHAPES[symbol];
    if (!points) {
      ctx.moveTo(x + 4, y);
      ctx.arc(x, y, 4, 0, 2 * Math.PI);
      return;
    }
    ctx.moveTo(x + points[0][0], y + points[0][1]);
    for (let k = 1; k < points.length; k++) ctx.lineTo(x + points[k][0], y + points[k][1]);
    ctx.closePath();
  }

  function paintPath(ctx, fill, dashed) {
    ctx.fillStyle = fill;
    ctx.fill();
    ctx.setLineDash(dashed ? [2, 1] : []);
    ctx.lineWidth = dashed ? 1.4 : 0.6;
    ctx.strokeStyle = dashed ? '#c00' : '#000';
    ctx.stroke();
  }

  // ---- The model: the file's landmarks as the export gives them ----

  // A real of the export, a number or "inf", "-inf", "nan", or of an edit,
  // a number's text.
  function realOf(value) {
    if (typeof value === 'number') return value;
    if (value === 'inf') return Infinity;
    if (value === '-inf') return -Infinity;
    return String(value).trim() === '' ? NaN : Number(value);
  }

  function landmarkOf(r) {
    // The Lo file ID's three bytes: type, a middle byte, side.
    const id = parseInt(r.lo_file_id, 16) || 0;
    const east = realOf(r.e_coord);
    const north = realOf(r.n_coord);
    const name = String(r.name);
    return {
      record: r.record,
      name: name,
      nameKey: name.toLowerCase(),
      type: String(r.type),
      side: String(r.side),
      typeCode: (id >>> 16) & 255,
      sideCode: id & 255,
      east: east,
      north: north,
      eastText: String(r.e_coord),
      northText: String(r.n_coord),
      onMap: Number.isFinite(east) && Number.isFinite(north),
    };
  }

  const model = {
    file: '',
    landmarks: [],
    offMap: 0,       // landmarks whose co-ordinates are not finite
    records: new Map(),  // record number -> landmark
    read: new Map(),     // record number -> the record as the export gave it
    load(exported) {
      this.file = String(exported.file || '');
      const records = exported.records || [];
      this.read = new Map(records.map((r) => [r.record, r]));
      reconcileEdits();
      this.landmarks = records.map((r) => landmarkOf(withEdits(r)));
      this.offMap = this.landmarks.filter((l) => !l.onMap).length;
      this.records = new Map(this.landmarks.map((l) => [l.record, l]));
      this.index = new Map(this.landmarks.map((l, i) => [l.record, i]));
    },
    // Draws one record anew from what was read and the page's edits of it.
    refresh(record) {
      const i = this.index.get(record);
      if (i === undefined) return;
      const was = this.landmarks[i];
      const l = landmarkOf(withEdits(this.read.get(record)));
      this.landmarks[i] = l;
      this.records.set(record, l);
      this.offMap += (was.onMap ? 0 : -1) + (l.onMap ? 0 : 1);
    },
    byRecord(record) {
      return this.records.get(record) || null;
    },
    extent() {
      let minE = Infinity, maxE = -Infinity, minN = Infinity, maxN = -Infinity;
      for (const l of this.landmarks) {
        if (!l.onMap) continue;
        minE = Math.min(minE, l.east); maxE = Math.max(maxE, l.east);
        minN = Math.min(minN, l.north); maxN = Math.max(maxN, l.north);
      }
      return minE <= maxE ? { minE, maxE, minN, maxN } : null;
    },
  };

  // ---- What is shown: search, filters, selection, view ----

  const state = {
    search: '',
    hiddenTypes: new Set(),
    hiddenSides: new Set(),
    shown: [],        // the landmarks that pass search and filters, in record order
    selected: null,   // the selected landmark's record number
    hovered: null,    // the landmark under the pointer
    // The selected landmark while it is dragged: where it would go. Drawn
    // over the map, whose picture keeps it where it was until it is dropped.
    moving: null,     // { east, north }
    view: { east: 0, north: 0, scale: 1, width: 0, height: 0, fitted: false },
  };

  function passes(l) {
    return !state.hiddenTypes.has(l.type) && !state.hiddenSides.has(l.side) &&
      (state.search === '' || l.nameKey.includes(state.search));
  }

  function refilter() {
    state.shown = model.landmarks.filter(passes);
    listCount.textContent = state.shown.length + ' of ' + model.landmarks.length + ' shown';
    list.renderAll();
    repaintLayer();
  }

  const el = (id) => document.getElementById(id);
  const canvas = el('map');
  const ctx = canvas.getContext('2d');
  const tip = el('tip');
  const listCount = el('list-count');

  // ---- View: file co-ordinates to pixels, north up, east right ----

  function toScreen(east, north) {
    const v = state.view;
    return [(east - v.east) * v.scale + v.width / 2, v.height / 2 - (north - v.north) * v.scale];
  }
  function toFile(x, y) {
    const v = state.view;
    return [v.east + (x - v.width / 2) / v.scale, v.north - (y - v.height / 2) / v.scale];
  }

  function fitAll() {
    const box = model.extent();
    const v = state.view;
    if (!box || v.width === 0) return;
    v.east = (box.minE + box.maxE) / 2;
    v.north = (box.minN + box.maxN) / 2;
    const spanE = box.maxE - box.minE, spanN = box.maxN - box.minN;
    const roomE = Math.max(v.width - FIT_MARGIN.left - FIT_MARGIN.right, 1);
    const roomN = Math.max(v.height - FIT_MARGIN.top - FIT_MARGIN.bottom, 1);
    let scale = Math.min(spanE > 0 ? roomE / spanE : Infinity, spanN > 0 ? roomN / spanN : Infinity);
    if (!Number.isFinite(scale) || scale <= 0) scale = 1;  // one place, or a span beyond reals
    v.scale = scale;
    // The free room's centre, in file units, from the view's centre.
    v.east -= (FIT_MARGIN.left - FIT_MARGIN.right) / 2 / scale;
    v.north -= (FIT_MARGIN.bottom - FIT_MARGIN.top) / 2 / scale;
    v.fitted = true;
    repaintLayer();
  }

  // Zooms by `factor` keeping the file point under x,y where it is.
  function zoomAt(factor, x, y) {
    const [east, north] = toFile(x, y);
    const v = state.view;
    const scale = v.scale * factor;
    if (!(scale > 0) || !Number.isFinite(scale)) return;
    v.scale = scale;
    v.east = east - (x - v.width / 2) / scale;
    v.north = north + (y - v.height / 2) / scale;
    requestDraw();
  }

  function panBy(dx, dy) {
    state.view.east -= dx / state.view.scale;
    state.view.north += dy / state.view.scale;
    requestDraw();
  }

  function centreOn(l) {
    if (!l || !l.onMap) return;
    state.view.east = l.east;
    state.view.north = l.north;
    requestDraw();
  }

  // ---- Drawing ----

  let drawPending = false;
  let frames = 0;
  let firstDrawn = false;
  function requestDraw() {
    if (drawPending) return;
    drawPending = true;
    requestAnimationFrame(draw);
  }

  // Each kind of symbol is painted once into a small canvas, and its pixels
  // are blended into the map's pixels from there: tens of thousands of
  // symbols cost milliseconds, where as many canvas calls cost a second.
  const SPRITE_SIZE = 16;
  const sprites = new Map();
  function spriteOf(l) {
    const key = l.typeCode * 4 + sideIndex(l.sideCode);
    let sprite = sprites.get(key);
    if (!sprite) {
      const picture = symbolCanvas(symbolOf(l.typeCode), SIDE_COLOURS[sideIndex(l.sideCode)],
        isDashed(l.typeCode, l.sideCode), SPRITE_SIZE);
      sprite = pixelsOf(picture);
      sprites.set(key, sprite);
    }
    return sprite;
  }

  // The painted pixels of a small canvas, as offsets from its centre: the
  // opaque ones as whole pixels to copy, the others with colours to blend.
  function pixelsOf(picture) {
    const { width, height } = picture;
    const data = picture.getContext('2d').getImageData(0, 0, width, height).data;
    const words = new Uint32Array(data.buffer);
    const solid = [], solidWords = [], edge = [], edgeColours = [];
    for (let y = 0; y < height; y++) {
      for (let x = 0; x < width; x++) {
        const i = y * width + x, alpha = data[i * 4 + 3];
        if (alpha === 0) continue;
        if (alpha === 255) {
          solid.push(x - (width >> 1), y - (height >> 1));
          solidWords.push(words[i]);
        } else {
          edge.push(x - (width >> 1), y - (height >> 1));
          edgeColours.push(data[i * 4], data[i * 4 + 1], data[i * 4 + 2], alpha);
        }
      }
    }
    return { solid: Int16Array.from(solid), solidWords: Uint32Array.from(solidWords),
      edge: Int16Array.from(edge), edgeColours: Uint8Array.from(edgeColours) };
  }

  // The symbols as last painted, and the view they were painted for. Where
  // painting them takes longer than a smooth frame allows, frames show this
  // picture moved and scaled while the view moves (one copy, fast at any
  // count), and the symbols are painted anew once the view has been still
  // for a moment or what is shown changes.
  const SETTLE_MS = 150;
  const QUICK_PAINT_MS = 8;
  const layer = { canvas: document.createElement('canvas'), view: null, stale: true, timer: 0,
    paintMs: 0, margin: 0 };
  const layerCtx = layer.canvas.getContext('2d');

  function repaintLayer() {
    layer.stale = true;
    requestDraw();
  }

  function sameView(a, b) {
    return a.east === b.east && a.north === b.north && a.scale === b.scale &&
      a.width === b.width && a.height === b.height;
  }

  function showLayer(inView, ratio) {
    const v = state.view;
    if (layer.stale || layer.paintMs < QUICK_PAINT_MS || !layer.view ||
        layer.view.width !== v.width || layer.view.height !== v.height) {
      const started = performance.now();
      // A slow painting reaches a quarter of the view beyond each edge, so
      // that a drag until the next painting uncovers symbols, not white.
      const slow = layer.paintMs >= QUICK_PAINT_MS;
      layer.margin = slow ? Math.round(Math.max(v.width, v.height) / 4) : 0;
      paintSymbols(slow ? landmarksInView(layer.margin) : inView, ratio, layer.margin);
      layer.paintMs = performance.now() - started;
      layer.view = { ...v };
      layer.stale = false;
    } else if (!sameView(layer.view, v)) {
      clearTimeout(layer.timer);
      layer.timer = setTimeout(repaintLayer, SETTLE_MS);
    }
    const factor = v.scale / layer.view.scale;
    const [x, y] = toScreen(layer.view.east, layer.view.north);
    const width = (layer.view.width + 2 * layer.margin) * factor;
    const height = (layer.view.height + 2 * layer.margin) * factor;
    ctx.fillStyle = '#fff';
    ctx.fillRect(0, 0, v.width, v.height);
    ctx.drawImage(layer.canvas, x - width / 2, y - height / 2, width, height);
  }

  // Blends the symbols of `inView` onto a white picture of the canvas's size
  // and `margin` pixels more on each side.
  let picture = null;
  function paintSymbols(inView, ratio, margin) {
    const width = canvas.width + Math.round(2 * margin * ratio);
    const height = canvas.height + Math.round(2 * margin * ratio);
    if (!picture || picture.width !== width || picture.height !== height) {
      picture = layerCtx.createImageData(width, height);
      layer.canvas.width = width;
      layer.canvas.height = height;
    }
    const data = picture.data;
    const words = new Uint32Array(data.buffer);
    words.fill(0xffffffff);
    for (const [l, x, y] of inView) {
      const sprite = spriteOf(l);
      const cx = Math.round((x + margin) * ratio), cy = Math.round((y + margin) * ratio);
      const { solid, solidWords, edge, edgeColours } = sprite;
      for (let k = 0; k < solid.length; k += 2) {
        const px = cx + solid[k], py = cy + solid[k + 1];
        if (px >= 0 && py >= 0 && px < width && py < height) words[py * width + px] = solidWords[k >> 1];
      }
      for (let k = 0, c = 0; k < edge.length; k += 2, c += 4) {
        const px = cx + edge[k], py = cy + edge[k + 1];
        if (px < 0 || py < 0 || px >= width || py >= height) continue;
        const i = (py * width + px) * 4, alpha = edgeColours[c + 3] / 255;
        data[i] += (edgeColours[c] - data[i]) * alpha;
        data[i + 1] += (edgeColours[c + 1] - data[i + 1]) * alpha;
        data[i + 2] += (edgeColours[c + 2] - data[i + 2]) * alpha;
      }
    }
    layerCtx.putImageData(picture, 0, 0);
  }

  function symbolCanvas(symbol, fill, dashed, size) {
    const small = document.createElement('canvas');
    const ratio = window.devicePixelRatio || 1;
    small.width = size * ratio;
    small.height = size * ratio;
    small.style.width = size + 'px';
    small.style.height = size + 'px';
    // Kept in memory, as its pixels are read back once.
    const c = small.getContext('2d', { willReadFrequently: true });
    c.setTransform(ratio, 0, 0, ratio, 0, 0);
    c.beginPath();
    tracePath(c, symbol, size / 2, size / 2);
    paintPath(c, fill, dashed);
    return small;
  }

  // The shown landmarks in view (widened by `margin` pixels on each side),
  // with their places on the canvas.
  function landmarksInView(margin = 0) {
    const v = state.view;
    const inView = [];
    const edge = margin + 8;
    for (const l of state.shown) {
      if (!l.onMap) continue;
      const [x, y] = toScreen(l.east, l.north);
      if (x < -edge || y < -edge || x > v.width + edge || y > v.height + edge) continue;
      inView.push([l, x, y]);
    }
    return inView;
  }

  function draw() {
    drawPending = false;
    const started = performance.now();
    const ratio = window.devicePixelRatio || 1;
    const v = state.view;
    ctx.setTransform(ratio, 0, 0, ratio, 0, 0);
    const inView = landmarksInView();
    showLayer(inView, ratio);
    drawSelection();
    if (inView.length <= LABEL_LIMIT) drawLabels(inView);
    drawScaleBar();
    drawNorth();
    frames++;
    canvas.dataset.drawn = String(inView.length);
    canvas.dataset.frames = String(frames);
    canvas.dataset.drawMs = (performance.now() - started).toFixed(2);
    canvas.dataset.scale = String(v.scale);
    canvas.dataset.east = String(v.east);
    canvas.dataset.north = String(v.north);
    if (!firstDrawn && inView.length > 0) {
      firstDrawn = true;
      performance.mark('vtweb-first-draw');
    }
  }

  // Names beside the symbols, each only where it overlaps no name already
  // drawn, so that they never pile up.
  function drawLabels(inView) {
    const v = state.view;
    const cell = 4;
    const columns = Math.ceil(v.width / cell) + 1;
    const rows = Math.ceil(v.height / cell) + 1;
    const taken = new Uint8Array(columns * rows);
    const take = (c0, c1, r0, r1) => {
      for (let r = Math.max(0, r0); r <= Math.min(r1, rows - 1); r++)
        taken.fill(1, r * columns + Math.max(0, c0), r * columns + Math.min(c1, columns - 1) + 1);
    };
    // The symbols first: no name covers one.
    for (const [, x, y] of inView)
      take(Math.floor((x - 4) / cell), Math.floor((x + 4) / cell), Math.floor((y - 5) / cell),
        Math.floor((y + 5) / cell));
    ctx.font = '10px sans-serif';
    ctx.fillStyle = '#000';
    ctx.strokeStyle = '#fff';
    ctx.lineWidth = 3;
    ctx.lineJoin = 'round';
    ctx.setLineDash([]);
    ctx.textBaseline = 'middle';
    const isFree = (c0, c1, r0, r1) => {
      if (c0 < 0 || r0 < 0 || c1 >= columns || r1 >= rows) return false;
      for (let r = r0; r <= r1; r++)
        for (let c = c0; c <= c1; c++) if (taken[r * columns + c]) return false;
      return true;
    };
    // Each name to the right of its symbol, or else to the left.
    for (const [l, x, y] of inView) {
      if (l.name === '') continue;
      const width = ctx.measureText(l.name).width;
      const r0 = Math.floor((y - 6) / cell), r1 = Math.floor((y + 6) / cell);
      for (const left of [x + 8, x - 8 - width]) {
        const c0 = Math.floor(left / cell), c1 = Math.floor((left + width) / cell);
        if (!isFree(c0, c1, r0, r1)) continue;
        take(c0, c1, r0, r1);
        ctx.strokeText(l.name, left, y);  // a white edge keeps it legible on a selection ring
        ctx.fillText(l.name, left, y);
        break;
      }
    }
  }

  function drawSelection() {
    const l = state.selected === null ? null : model.byRecord(state.selected);
    if (!l || !l.onMap || !passes(l)) return;
    const [x, y] = state.moving ? toScreen(state.moving.east, state.moving.north)
      : toScreen(l.east, l.north);
    if (state.moving) {
      ctx.beginPath();
      tracePath(ctx, symbolOf(l.typeCode), x, y);
      paintPath(ctx, SIDE_COLOURS[sideIndex(l.sideCode)], isDashed(l.typeCode, l.sideCode));
    }
    ctx.setLineDash([]);
    ctx.lineWidth = 3;
    ctx.strokeStyle = SELECTED_COLOUR;
    ctx.beginPath();
    ctx.arc(x, y, 9, 0, 2 * Math.PI);
    ctx.stroke();
    ctx.lineWidth = 1;
    ctx.strokeStyle = '#000';
    ctx.beginPath();
    ctx.arc(x, y, 10.5, 0, 2 * Math.PI);
    ctx.stroke();
  }

  // A round length, 1, 2 or 5 times a power of ten, at most a quarter of
  // `span`, with its text written from the digits.
  function roundLength(span) {
    const quarter = span / 4;
    const exponent = Math.floor(Math.log10(quarter));
    const power = Math.pow(10, exponent);
    const digit = quarter >= 5 * power ? 5 : quarter >= 2 * power ? 2 : 1;
    const text = exponent >= 0 ? digit + '0'.repeat(exponent)
      : '0.' + '0'.repeat(-exponent - 1) + digit;
    return { value: digit * power, text };
  }

  function drawScaleBar() {
    const v = state.view;
    const span = v.width / v.scale;
    if (!(span > 0) || !Number.isFinite(span)) return;
    const length = roundLength(span);
    const width = length.value * v.scale;
    const x = 16, y = v.height - 16;
    ctx.setLineDash([]);
    ctx.fillStyle = 'rgba(255,255,255,.8)';
    ctx.fillRect(x - 6, y - 14, width + 150, 22);
    ctx.strokeStyle = '#000';
    ctx.lineWidth = 1.5;
    ctx.beginPath();
    ctx.moveTo(x, y - 5); ctx.lineTo(x, y); ctx.lineTo(x + width, y); ctx.lineTo(x + width, y - 5);
    ctx.stroke();
    ctx.fillStyle = '#000';
    ctx.font = '11px sans-serif';
    ctx.textBaseline = 'middle';
    ctx.fillText(length.text + ' (file units)', x + width + 6, y - 2);
    canvas.dataset.scaleBar = length.text;
  }

  function drawNorth() {
    const x = state.view.width - 24, y = 14;
    ctx.fillStyle = '#000';
    ctx.beginPath();
    ctx.moveTo(x, y); ctx.lineTo(x + 7, y + 18); ctx.lineTo(x, y + 13); ctx.lineTo(x - 7, y + 18);
    ctx.closePath();
    ctx.fill();
    ctx.font = 'bold 12px sans-serif';
    ctx.textAlign = 'center';
    ctx.textBaseline = 'top';
    ctx.fillText('N', x, y + 21);
    ctx.textAlign = 'start';
  }

  function resize() {
    const box = canvas.getBoundingClientRect();
    const ratio = window.devicePixelRatio || 1;
    state.view.width = box.width;
    state.view.height = box.height;
    canvas.width = Math.max(1, Math.round(box.width * ratio));
    canvas.height = Math.max(1, Math.round(box.height * ratio));
    if (!state.view.fitted) fitAll();
    repaintLayer();
  }

  // ---- Picking and the hover text ----

  function landmarkAt(x, y) {
    let best = null, bestDistance = HIT_RADIUS * HIT_RADIUS;
    for (const l of state.shown) {
      if (!l.onMap) continue;
      const [sx, sy] = toScreen(l.east, l.north);
      const d = (sx - x) * (sx - x) + (sy - y) * (sy - y);
      if (d <= bestDistance) { best = l; bestDistance = d; }
    }
    return best;
  }

  function describe(l) {
    return (l.name === '' ? '(no name)' : l.name) + '\n' +
      'Record ' + l.record + ': ' + l.type + ', ' + l.side + '\n' +
      'N ' + l.northText + '  E ' + l.eastText;
  }

  function showTip(l, x, y) {
    state.hovered = l;
    if (!l) { tip.hidden = true; return; }
    tip.textContent = describe(l);
    tip.hidden = false;
    const v = state.view;
    tip.style.left = Math.min(x + 14, Math.max(0, v.width - tip.offsetWidth - 4)) + 'px';
    tip.style.top = Math.min(y + 14, Math.max(0, v.height - tip.offsetHeight - 4)) + 'px';
  }

  // ---- Selection, shared by the map and the list ----

  function select(record, from) {
    state.selected = record;
    const l = record === null ? null : model.byRecord(record);
    if (from === 'list') centreOn(l);
    if (from === 'map') list.scrollTo(l);
    list.renderAll();
    requestDraw();
    editor.show();
  }

  // ---- The list: only the rows in sight exist ----

  const list = (function () {
    const box = el('list');
    const spacer = el('list-spacer');
    const rows = new Map();  // index in state.shown -> row element

    function makeRow(index) {
      const l = state.shown[index];
      const row = document.createElement('div');
      row.className = 'row' + (l.record === state.selected ? ' selected' : '') +
        (l.onMap ? '' : ' off-map') + (edits.has(l.record) ? ' edited' : '');
      row.style.top = (index * ROW_HEIGHT) + 'px';
      row.dataset.record = String(l.record);
      row.setAttribute('role', 'option');
      row.setAttribute('aria-selected', String(l.record === state.selected));
      for (const text of [String(l.record), l.name, l.type, l.side]) {
        const cell = document.createElement('span');
        cell.textContent = text;
        row.appendChild(cell);
      }
      if (!l.onMap) row.title = 'Not on the map: its co-ordinates are not finite';
      return row;
    }

    function render() {
      const first = Math.max(0, Math.floor(box.scrollTop / ROW_HEIGHT) - 5);
      const last = Math.min(state.shown.length,
        Math.ceil((box.scrollTop + box.clientHeight) / ROW_HEIGHT) + 5);
      for (const [index, row] of rows) {
        if (index < first || index >= last) { row.remove(); rows.delete(index); }
      }
      for (let index = first; index < last; index++) {
        if (rows.has(index)) continue;
        const row = makeRow(index);
        rows.set(index, row);
        box.appendChild(row);
      }
    }

    function renderAll() {
      for (const row of rows.values()) row.remove();
      rows.clear();
      spacer.style.height = (state.shown.length * ROW_HEIGHT) + 'px';
      render();
    }

    function scrollTo(l) {
      const index = l ? state.shown.indexOf(l) : -1;
      if (index < 0) return;
      const top = index * ROW_HEIGHT;
      if (top < box.scrollTop || top + ROW_HEIGHT > box.scrollTop + box.clientHeight)
        box.scrollTop = top - Math.max(0, (box.clientHeight - ROW_HEIGHT) / 2);
      render();
    }

    box.addEventListener('scroll', render, { passive: true });
    box.addEventListener('click', (event) => {
      const row = event.target.closest('.row');
      if (row) select(Number(row.dataset.record), 'list');
    });
    box.addEventListener('keydown', (event) => {
      if (event.key !== 'ArrowDown' && event.key !== 'ArrowUp') return;
      event.preventDefault();
      const l = state.selected === null ? null : model.byRecord(state.selected);
      const index = state.shown.indexOf(l) + (event.key === 'ArrowDown' ? 1 : -1);
      if (index < 0 || index >= state.shown.length) return;
      select(state.shown[index].record, 'list');
      scrollTo(state.shown[index]);
    });
    return { renderAll, scrollTo };
  })();

  // ---- Filters: one checkbox per type and side the file holds ----

  function buildFilter(fieldset, names, hidden, sample) {
    for (const old of fieldset.querySelectorAll('label')) old.remove();
    for (const [name, l] of names) {
      const label = document.createElement('label');
      const box = document.createElement('input');
      box.type = 'checkbox';
      box.checked = !hidden.has(name);
      box.addEventListener('change', () => {
        if (box.checked) hidden.delete(name); else hidden.add(name);
        refilter();
      });
      label.append(box, sample(l), document.createTextNode(name));
      fieldset.appendChild(label);
    }
  }

  function buildFilters() {
    const types = new Map(), sides = new Map();
    for (const l of model.landmarks) {
      if (!types.has(l.type)) types.set(l.type, l);
      if (!sides.has(l.side)) sides.set(l.side, l);
    }
    // Filter samples as lmedit's map legend shows them: a type's symbol in
    // white, a side's colour on a square.
    const byCode = (key) => (a, b) => a[1][key] - b[1][key];
    buildFilter(el('types'), [...types].sort(byCode('typeCode')), state.hiddenTypes,
      (l) => symbolCanvas(symbolOf(l.typeCode), '#fff', symbolOf(l.typeCode) === 'x', 14));
    buildFilter(el('sides'), [...sides].sort(byCode('sideCode')), state.hiddenSides,
      (l) => symbolCanvas('1', SIDE_COLOURS[sideIndex(l.sideCode)], sideIndex(l.sideCode) === 2, 14));
  }

  // ---- Edits: what the page changed and has not saved yet ----

  // Each edited cell: its text, the text read from the file when the edit
  // began (`base`), and whether the server takes the text ('checking',
  // 'valid', 'invalid' with its `reason`). A cell whose file value moved
  // away from `base` since is a conflict: both values are shown until the
  // user keeps one. Invalid texts are never saved nor drawn.
  const edits = new Map();  // record -> Map(column -> edit)
  const checks = new Set();  // checks not yet answered
  const lookups = { type: new Map(), side: new Map() };  // code -> name, from /api/columns
  let firstRecord = 1;

  // A number as the page writes it in a cell, keeping the sign of -0.
  function cellText(value) {
    return Object.is(value, -0) ? '-0' : String(value);
  }

  function readText(record, column) {
    const r = model.read.get(record);
    return r ? cellText(r[column]) : '';
  }
  function editOf(record, column) {
    const cells = edits.get(record);
    return (cells && cells.get(column)) || null;
  }
  function shownText(record, column) {
    const edit = editOf(record, column);
    return edit ? edit.text : readText(record, column);
  }

  // What the text stores, compared as the server compares cells: reals as
  // 32-bit values, the ID and LM ID as numbers, names as text.
  function valueOf(column, text) {
    if (column === 'name') return text;
    if (column === 'lo_file_id') return parseInt(text, 16);
    if (column === 'lm_id') return Number(text);
    return Math.fround(realOf(text));
  }
  function sameValue(column, a, b) {
    return a === b || Object.is(valueOf(column, a), valueOf(column, b));
  }
  function inConflict(record, column, edit) {
    return !sameValue(column, edit.base, readText(record, column));
  }

  function typeName(code) {
    return lookups.type.get(code) || 'unknown type';
  }
  function sideName(code) {
    return lookups.side.get(code) || 'Invalid side';
  }

  // The record as the page shows it: what was read, with the edits that the
  // server has not refused.
  function withEdits(r) {
    const cells = edits.get(r.record);
    if (!cells) return r;
    const shown = { ...r };
    for (const [column, edit] of cells) {
      if (edit.state !== 'invalid') shown[column] = edit.text;
    }
    if (shown.lo_file_id !== r.lo_file_id) {
      const id = parseInt(shown.lo_file_id, 16) || 0;
      shown.type = typeName((id >>> 16) & 255);
      shown.side = sideName(id & 255);
    }
    return shown;
  }

  function dropEdit(record, column) {
    const cells = edits.get(record);
    if (!cells) return;
    cells.delete(column);
    if (cells.size === 0) edits.delete(record);
  }

  // Puts `text` in the cell as an unsaved edit, or takes the edit away when
  // the file holds that value already, and asks the server whether the
  // cell takes it.
  function applyCell(record, column, text) {
    if (!model.read.has(record)) return;
    const old = editOf(record, column);
    if (sameValue(column, text, readText(record, column))) {
      dropEdit(record, column);
    } else {
      const edit = { text, base: old ? old.base : readText(record, column), state: 'checking',
        reason: '' };
      if (!edits.has(record)) edits.set(record, new Map());
      edits.get(record).set(column, edit);
      checkCell(record, column, edit);
    }
    editsChanged(record);
  }

  function checkCell(record, column, edit) {
    const settle = (state, reason, text) => {
      if (editOf(record, column) !== edit) return;  // replaced or undone meanwhile
      Object.assign(edit, { state, reason, text });
      if (state === 'valid' && sameValue(column, text, readText(record, column))) {
        dropEdit(record, column);
      }
      editsChanged(record);
    };
    const job = post('/api/check', { column, text: edit.text }).then(
      (answer) => (typeof answer.error === 'string' ? settle('invalid', answer.error, edit.text)
        : settle('valid', '', String(answer.text))),
      (error) => settle('invalid', 'could not be checked (' + error.message + ')', edit.text));
    checks.add(job);
    job.finally(() => checks.delete(job));
  }

  // An edit that leaves the symbol, its place and what is shown as they
  // were (a name, an elevation) changes the list and the labels alone: the
  // map's picture of every symbol, slow on a large file, is kept.
  function editsChanged(record) {
    const was = model.byRecord(record);
    model.refresh(record);
    const now = model.byRecord(record);
    const index = state.shown.indexOf(was);
    if (was && now && sameSymbol(was, now) && passes(now) === (index >= 0)) {
      if (index >= 0) state.shown[index] = now;
      list.renderAll();
      requestDraw();
    } else {
      showStatus();
      buildFilters();
      refilter();
    }
    editor.show();
  }

  function sameSymbol(a, b) {
    return a.east === b.east && a.north === b.north && a.typeCode === b.typeCode &&
      a.sideCode === b.sideCode && a.type === b.type && a.side === b.side;
  }

  // Once the file was read again: edits of records gone are dropped, and so
  // are those whose value the file now holds (saved, or written elsewhere).
  function reconcileEdits() {
    for (const [record, cells] of [...edits]) {
      for (const [column, edit] of [...cells]) {
        if (!model.read.has(record) ||
            (edit.state === 'valid' && sameValue(column, edit.text, readText(record, column)))) {
          dropEdit(record, column);
        }
      }
    }
  }

  // ---- Undo and redo: each step is one or more cells changed together ----

  const history = { done: [], undone: [] };

  function change(cells) {
    const step = cells.map((c) => ({ ...c, from: shownText(c.record, c.column) }))
      .filter((c) => c.from !== c.to);
    if (step.length === 0) return;
    history.done.push(step);
    history.undone = [];
    for (const c of step) applyCell(c.record, c.column, c.to);
  }

  function replay(from, to, which) {
    const step = from.pop();
    if (!step) return;
    to.push(step);
    for (const c of which === 'from' ? [...step].reverse() : step) applyCell(c.record, c.column, c[which]);
    if (model.byRecord(step[0].record)) select(step[0].record, 'map');
    editor.show();
  }
  const undo = () => replay(history.done, history.undone, 'from');
  const redo = () => replay(history.undone, history.done, 'to');

  // ---- Talking to the server ----

  // Reads and writes of the page run one after another, so that a save
  // never overlaps a reading of the file.
  let queue = Promise.resolve();
  function serially(job) {
    const run = queue.then(job, job);
    queue = run.catch(() => {});
    return run;
  }

  async function post(path, body) {
    const response = await fetch(path, { method: 'POST', cache: 'no-store', credentials: 'same-origin',
      headers: { 'Content-Type': 'application/json' }, body: JSON.stringify(body) });
    const text = await response.text();
    if (response.status === 409) {
      const error = new Error(JSON.parse(text).message);
      error.replaced = true;
      throw error;
    }
    if (!response.ok) throw new Error(text || String(response.status));
    return JSON.parse(text);
  }

  function saveStatus(text, isError) {
    const line = el('save-status');
    line.textContent = text;
    line.classList.toggle('error', Boolean(isError));
  }

  // A write the server refused because another program replaced the file:
  // nothing was written, and the page shows the file as it is now.
  async function whenReplaced(error) {
    if (!error.replaced) throw error;
    saveStatus(error.message.replace(/\.?$/, '. The page shows the file as it is now') +
      (edits.size ? ', with your edits kept unsaved.' : '.'), true);
    return refresh(true);
  }

  // The cells to save: the valid edits, each with the value it was made
  // on; the server writes those whose file value is still that one.
  function cellsToSave() {
    const records = [];
    let waiting = 0;
    for (const [record, cells] of edits) {
      const before = {}, after = {};
      for (const [column, edit] of cells) {
        if (edit.state !== 'valid') { waiting++; continue; }
        before[column] = edit.base;
        after[column] = edit.text;
      }
      if (Object.keys(after).length > 0) records.push({ record, before, after });
    }
    return { records, waiting };
  }

  // What a save wrote, and the conflicts it left unwritten.
  function savedText(answer) {
    const conflicts = (answer.conflicts || []).map((c) => 'record ' + c.record + ' ' + c.column +
      ' (yours "' + c.page + '", on disk "' + c.disk + '")');
    const written = answer.written.length === 0 ? 'Nothing written.'
      : 'Saved record' + (answer.written.length === 1 ? ' ' : 's ') + answer.written.join(', ') + '.';
    return { text: written + (conflicts.length ? ' Not written, changed on disk since the page read ' +
      'it: ' + conflicts.join('; ') + '.' : ''), conflicts: conflicts.length };
  }

  // The cells are gathered once the writes before have been read back, so
  // that a second Save never sends what the first has written.
  async function save() {
    editor.commitTyping();
    await Promise.all([...checks]);
    await serially(async () => {
      const { records, waiting } = cellsToSave();
      const left = waiting ? ' ' + waiting + ' edited cell' + (waiting === 1 ? '' : 's') +
        ' not saved: not valid (see the marks).' : '';
      if (records.length === 0) { saveStatus('Nothing to save.' + left, waiting > 0); return; }
      saveStatus('Saving...', false);
      try {
        const answer = await post('/api/save', { version, records });
        await refresh(true);
        const saved = savedText(answer);
        saveStatus(saved.text + left, waiting > 0 || saved.conflicts > 0);
      } catch (error) {
        await whenReplaced(error).catch((other) => saveStatus('Not saved: ' + other.message, true));
      }
    });
  }

  // A new landmark at a point of the map, appended after the last record.
  function addAt(east, north) {
    return serially(async () => {
      try {
        const answer = await post('/api/insert', { version, at: firstRecord + model.landmarks.length,
          cells: { n_coord: north, e_coord: east } });
        await refresh(true);
        select(answer.record, 'map');
        saveStatus('Added record ' + answer.record + '.', false);
      } catch (error) {
        await whenReplaced(error).catch((other) => saveStatus('Not added: ' + other.message, true));
      }
    });
  }

  function blank(record) {
    const l = model.byRecord(record);
    if (!l || !window.confirm('Blank record ' + record + (l.name ? ' (' + l.name + ')' : '') +
      '? All its bytes become zero, now, in the file; Undo does not bring it back.')) return null;
    return serially(async () => {
      try {
        await post('/api/blank', { version, record });
        edits.delete(record);
        await refresh(true);
        saveStatus('Blanked record ' + record + '.', false);
      } catch (error) {
        await whenReplaced(error).catch((other) => saveStatus('Not blanked: ' + other.message, true));
      }
    });
  }

  // ---- The side panel of the selected landmark ----

  // A position in file units: whole units, or with `fine` the shortest
  // text of the 32-bit real nearest to it.
  function unitsText(value, fine) {
    if (!fine) return cellText(Math.round(value));
    const real = Math.fround(value);
    for (let digits = 1; digits < 9; digits++) {
      const short = Number(real.toPrecision(digits));
      if (Math.fround(short) === real) return cellText(short);
    }
    return cellText(real);
  }

  const editor = (function () {
    const form = el('fields');
    const inputs = [...form.querySelectorAll('input')];
    const selects = [...form.querySelectorAll('select')];
    const messages = new Map();  // column -> the line under its field
    for (const field of [...inputs, el('f-lo_file_id')]) {
      const column = field.dataset.column || 'lo_file_id';
      const line = document.createElement('div');
      line.className = 'message';
      line.id = 'message-' + column;
      field.after(line);
      messages.set(column, line);
    }

    const selected = () => (state.selected === null ? null : model.byRecord(state.selected));

    function hex6(id) {
      return '0x' + id.toString(16).toUpperCase().padStart(6, '0');
    }

    function fillChoices(select, table, code, name) {
      const options = [...table].map(([value, text]) => [value, text]);
      if (!table.has(code)) options.push([code, name + ' (' + code + ')']);
      select.replaceChildren(...options.map(([value, text]) => new Option(text, String(value))));
      select.value = String(code);
    }

    // The line under a field: why the server refuses it, or both values of
    // a conflict with a choice between them.
    function showMessage(record, column) {
      const line = messages.get(column);
      const edit = editOf(record, column);
      line.replaceChildren();
      line.className = 'message';
      if (!edit) return;
      if (edit.state === 'invalid') {
        line.classList.add('invalid');
        line.textContent = edit.reason + ' (not saved)';
      } else if (inConflict(record, column, edit)) {
        line.classList.add('conflict');
        line.textContent = 'Changed on disk to "' + readText(record, column) + '" since; yours is "' +
          edit.text + '". ';
        const keep = document.createElement('button');
        keep.type = 'button';
        keep.textContent = 'Keep mine';
        keep.addEventListener('click', () => { edit.base = readText(record, column); editsChanged(record); });
        const take = document.createElement('button');
        take.type = 'button';
        take.textContent = 'Take disk\u2019s';
        take.addEventListener('click', () => change([{ record, column, to: readText(record, column) }]));
        line.append(document.createElement('br'), keep, take);
      }
    }

    function markField(field, edit) {
      field.classList.toggle('pending', Boolean(edit) && edit.state !== 'invalid');
      field.classList.toggle('invalid', Boolean(edit) && edit.state === 'invalid');
    }

    function show() {
      if (!editable) return;
      const l = selected();
      form.hidden = !l;
      el('blank').hidden = !l;
      el('editor-title').textContent = l ? 'Record ' + l.record + (edits.has(l.record) ? ' (edited)' : '')
        : 'No landmark selected';
      updateButtons();
      if (!l) return;
      for (const input of inputs) {
        const text = shownText(l.record, input.dataset.column);
        // A field being typed in keeps what is typed until it is committed.
        const typing = document.activeElement === input && input.value !== input.dataset.shown &&
          input.dataset.record === String(l.record);
        if (!typing) input.value = text;
        input.dataset.shown = text;
        input.dataset.record = String(l.record);
        markField(input, editOf(l.record, input.dataset.column));
        showMessage(l.record, input.dataset.column);
      }
      const idText = shownText(l.record, 'lo_file_id');
      const id = parseInt(idText, 16) || 0;
      fillChoices(el('f-type'), lookups.type, (id >>> 16) & 255, 'unknown type');
      fillChoices(el('f-side'), lookups.side, id & 255, 'Invalid side');
      for (const select of selects) markField(select, editOf(l.record, 'lo_file_id'));
      el('f-lo_file_id').textContent = hex6(id);
      showMessage(l.record, 'lo_file_id');
    }

    function commit(input) {
      const l = selected();
      if (!l || input.dataset.record !== String(l.record)) return;
      if (input.value === input.dataset.shown) return;
      change([{ record: l.record, column: input.dataset.column, to: input.value }]);
    }
    function commitTyping() {
      if (inputs.includes(document.activeElement)) commit(document.activeElement);
    }
    function isTyping(target) {
      return inputs.includes(target) && target.value !== target.dataset.shown;
    }

    for (const input of inputs) {
      input.addEventListener('change', () => commit(input));
      input.addEventListener('keydown', (event) => {
        if (event.key === 'Enter') { event.preventDefault(); commit(input); }
        if (event.key === 'Escape') { input.value = input.dataset.shown; event.stopPropagation(); }
      });
    }
    form.addEventListener('submit', (event) => event.preventDefault());
    for (const select of selects) {
      select.addEventListener('change', () => {
        const l = selected();
        if (!l) return;
        const id = parseInt(shownText(l.record, 'lo_file_id'), 16) || 0;
        const code = Number(select.value);
        const next = select.dataset.byte === 'type' ? (id & 0x00ffff) | (code << 16)
          : (id & 0xffff00) | code;
        change([{ record: l.record, column: 'lo_file_id', to: hex6(next >>> 0) }]);
      });
    }
    el('blank').addEventListener('click', () => { if (selected()) blank(selected().record); });
    return { show, commitTyping, isTyping };
  })();

  function savableCount() {
    let count = 0;
    for (const cells of edits.values()) count += cells.size;
    return count;
  }

  function updateButtons() {
    const count = savableCount();
    el('save').textContent = count ? 'Save (' + count + ')' : 'Save';
    el('save').disabled = count === 0;
    el('undo').disabled = history.done.length === 0;
    el('redo').disabled = history.undone.length === 0;
  }

  // ---- Input ----

  function pointerPosition(event) {
    const box = canvas.getBoundingClientRect();
    return [event.clientX - box.left, event.clientY - box.top];
  }

  let editable = false;   // served, with the columns the server edits
  let placing = false;    // the next click on the map adds a landmark
  let drag = null;

  function setPlacing(on) {
    placing = on;
    el('add').setAttribute('aria-pressed', String(on));
    canvas.classList.toggle('placing', on);
  }

  // The landmark under the pointer is looked for once a frame at most.
  let hoverPoint = null, hoverPending = false;
  function hoverAt(point) {
    hoverPoint = point;
    if (hoverPending) return;
    hoverPending = true;
    requestAnimationFrame(() => {
      hoverPending = false;
      if (!hoverPoint || drag) return;
      const [x, y] = hoverPoint;
      showTip(landmarkAt(x, y), x, y);
    });
  }

  // A drag that starts on the selected landmark moves it; any other drag
  // pans the map.
  canvas.addEventListener('pointerdown', (event) => {
    if (event.button !== 0) return;
    canvas.setPointerCapture(event.pointerId);
    const [x, y] = pointerPosition(event);
    drag = { x, y, moved: false, landmark: null };
    const l = editable && !placing ? landmarkAt(x, y) : null;
    if (l && l.record === state.selected) {
      const [sx, sy] = toScreen(l.east, l.north);
      Object.assign(drag, { landmark: l, dx: sx - x, dy: sy - y });
    }
    canvas.focus();
  });

  // Shows the dragged landmark where it would go, and keeps the texts.
  function moveDragged(x, y, fine) {
    const [east, north] = toFile(x + drag.dx, y + drag.dy);
    drag.east = unitsText(east, fine);
    drag.north = unitsText(north, fine);
    state.moving = { east: realOf(drag.east), north: realOf(drag.north) };
    el('f-e_coord').value = drag.east;
    el('f-n_coord').value = drag.north;
    requestDraw();
  }

  canvas.addEventListener('pointermove', (event) => {
    const [x, y] = pointerPosition(event);
    if (drag) {
      if (!drag.moved && Math.hypot(x - drag.x, y - drag.y) < 4) return;
      if (!drag.moved) {
        drag.moved = true;
        canvas.classList.add(drag.landmark ? 'moving' : 'dragging');
        showTip(null);
      }
      if (drag.landmark) moveDragged(x, y, event.shiftKey);
      else panBy(x - drag.x, y - drag.y);
      drag.x = x; drag.y = y;
      return;
    }
    hoverAt([x, y]);
  });
  canvas.addEventListener('pointerup', (event) => {
    if (!drag) return;
    const done = drag;
    drag = null;
    canvas.classList.remove('dragging', 'moving');
    const [x, y] = pointerPosition(event);
    if (done.moved && done.landmark) {
      drag = done;
      moveDragged(x, y, event.shiftKey);
      drag = null;
      state.moving = null;
      const record = done.landmark.record;
      change([{ record, column: 'n_coord', to: done.north }, { record, column: 'e_coord', to: done.east }]);
      editor.show();  // the fields as before when it was dropped where it was
      requestDraw();
    } else if (!done.moved && placing) {
      setPlacing(false);
      const [east, north] = toFile(x, y);
      addAt(unitsText(east, event.shiftKey), unitsText(north, event.shiftKey));
    } else if (!done.moved) {
      const l = landmarkAt(x, y);
      select(l ? l.record : null, 'map');
    }
  });
  // Escape, or the system taking the pointer away, leaves a dragged
  // landmark where it was.
  function cancelDrag() {
    drag = null;
    state.moving = null;
    canvas.classList.remove('dragging', 'moving');
    editor.show();
    requestDraw();
  }
  canvas.addEventListener('pointercancel', cancelDrag);
  canvas.addEventListener('pointerleave', () => {
    hoverAt(null);
    if (!drag) showTip(null);
  });
  canvas.addEventListener('wheel', (event) => {
    event.preventDefault();
    const [x, y] = pointerPosition(event);
    const delta = event.deltaMode === 1 ? event.deltaY * 20 : event.deltaY;
    zoomAt(Math.exp(-Math.max(-300, Math.min(300, delta)) * 0.002), x, y);
    showTip(null);
  }, { passive: false });

  const centre = () => [state.view.width / 2, state.view.height / 2];
  el('zoom-in').addEventListener('click', () => zoomAt(ZOOM_STEP, ...centre()));
  el('zoom-out').addEventListener('click', () => zoomAt(1 / ZOOM_STEP, ...centre()));
  el('fit').addEventListener('click', fitAll);
  document.addEventListener('keydown', (event) => {
    if (event.target instanceof HTMLInputElement || event.target instanceof HTMLSelectElement ||
        event.ctrlKey || event.metaKey || event.altKey) return;
    const pan = 60;
    const actions = {
      '+': () => zoomAt(ZOOM_STEP, ...centre()),
      '=': () => zoomAt(ZOOM_STEP, ...centre()),
      '-': () => zoomAt(1 / ZOOM_STEP, ...centre()),
      '\u2212': () => zoomAt(1 / ZOOM_STEP, ...centre()),
      '0': fitAll,
      Escape: () => { setPlacing(false); if (drag) cancelDrag(); },
      ArrowLeft: () => panBy(pan, 0),
      ArrowRight: () => panBy(-pan, 0),
      ArrowUp: () => panBy(0, pan),
      ArrowDown: () => panBy(0, -pan),
    };
    if (event.key.startsWith('Arrow') && event.target === el('list')) return;
    const action = actions[event.key];
    if (!action) return;
    event.preventDefault();
    action();
  });
  // Undo, redo and save; inside a field being typed in, or in the search
  // box, the browser's own undo of the typing.
  document.addEventListener('keydown', (event) => {
    if (!editable || !(event.ctrlKey || event.metaKey) || event.altKey) return;
    const key = event.key.toLowerCase();
    const own = event.target instanceof HTMLInputElement &&
      (event.target.id === 'search' || editor.isTyping(event.target));
    const actions = { z: event.shiftKey ? redo : undo, y: redo, s: save };
    if (!actions[key] || (own && key !== 's')) return;
    event.preventDefault();
    if (key !== 's') editor.commitTyping();
    actions[key]();
  });
  el('search').addEventListener('input', (event) => {
    state.search = event.target.value.toLowerCase();
    refilter();
  });
  el('add').addEventListener('click', () => setPlacing(!placing));
  el('undo').addEventListener('click', undo);
  el('redo').addEventListener('click', redo);
  el('save').addEventListener('click', save);
  window.addEventListener('beforeunload', (event) => {
    if (edits.size > 0) event.preventDefault();
  });
  new ResizeObserver(resize).observe(canvas);

  // ---- Loading: the embedded copy, or the server's live file ----

  function showStatus() {
    el('title').textContent = (model.file || 'Landmark map') + ': ' + model.landmarks.length +
      (model.landmarks.length === 1 ? ' landmark' : ' landmarks');
    el('status').textContent = model.landmarks.length - model.offMap + ' on the map' +
      (model.offMap > 0 ? ', ' + model.offMap + ' left out (co-ordinates not finite)' : '');
    document.title = (model.file || 'Landmarks') + ' - vtweb';
  }

  function notice(text, isError) {
    const line = el('notice');
    line.textContent = text;
    line.classList.toggle('error', Boolean(isError));
  }

  function show(exported) {
    model.load(exported);
    buildFilters();
    showStatus();
    if (state.selected !== null && !model.byRecord(state.selected)) state.selected = null;
    state.hovered = null;
    tip.hidden = true;
    refilter();
    editor.show();
    if (!state.view.fitted) fitAll();
  }

  async function fetchJson(path) {
    const response = await fetch(path, { cache: 'no-store', credentials: 'same-origin' });
    if (!response.ok) throw new Error(path + ': ' + response.status + ' ' + (await response.text()));
    return response.json();
  }

  // Reads the file again when its version changed (always with `force`);
  // not while a landmark is dragged, whose drawing would be lost.
  let version = null;
  async function refresh(force) {
    if (drag && drag.landmark && !force) return;
    const now = (await fetchJson('/api/version')).version;
    if (force || now !== version) {
      show(await fetchJson('/api/landmarks'));
      version = now;
    }
  }

  async function poll() {
    try {
      await serially(() => refresh(false));
      notice('Live: changes to the file appear here.', false);
    } catch (error) {
      notice('Could not read from vtweb (' + error.message + '); trying again.', true);
    }
    setTimeout(poll, POLL_MS);
  }

  // Editing needs the server's columns; without them the page only shows.
  async function startEditing() {
    try {
      const columns = await fetchJson('/api/columns');
      firstRecord = columns.first_record;
      for (const which of ['type', 'side']) {
        lookups[which] = new Map(((columns.choices || {})[which] || []).map(([code, name]) => [code, name]));
      }
      editable = true;
      document.body.dataset.editing = 'on';
    } catch (error) {
      removeEditing();
    }
  }

  function removeEditing() {
    el('edit-bar').remove();
    el('editor').remove();
  }

  const embedded = el('vtweb-data');
  if (embedded) {
    removeEditing();
    try {
      show(JSON.parse(embedded.textContent));
      notice('Read-only copy of ' + model.file + ', made when it was exported.', false);
    } catch (error) {
      notice('The landmarks in this page cannot be read: ' + error.message, true);
    }
  } else {
    startEditing().then(() => editor.show());
    poll();
  }
})();
