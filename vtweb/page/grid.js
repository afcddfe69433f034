'use strict';
// The record grid: the data file's records as rows, its format's fields as
// columns. The model holds every record's cells as the text forms write them
// (the text a CSV export would hold); only the rows in view are built. Edits
// wait in `pending` until Save, each one checked by the server first, and
// carry the disk's text they were made against, so that a change made
// meanwhile by another program is shown as a conflict instead of being
// overwritten.
(function () {
  const POLL_MS = 500;
  const ROW_HEIGHT = 22;
  const OVERSCAN = 8;           // rows built above and below the view
  const CHAR_PX = 7.8;          // a character of the cells' monospace font
  const HEAD_CHAR_PX = 8;       // a character of the heads' bold font, at most
  const HEX_PER_LINE = 16;
  const FIELD_COLOURS = ['#ffe0b3', '#cfe8ff', '#d8f5c8', '#f6d0f0', '#fff3a8', '#d5d5ff',
    '#c8f0ea', '#ffd0d0'];
  const NUMBER_TYPES = new Set(['integer', 'real']);

  // Code page 437's glyphs, as the export writes a text's bytes: 1 to 31,
  // then 127 to 255; 32 to 126 are ASCII.
  const CP437_LOW = '\u0000☺☻♥♦♣♠•◘○◙♂♀♪♫☼►◄↕‼¶§▬↨↑↓→←∟↔▲▼';
  const CP437_HIGH = '⌂ÇüéâäàåçêëèïîìÄÅÉæÆôöòûùÿÖÜ¢£¥₧ƒáíóúñÑªº¿⌐¬½¼¡«»░▒▓│┤╡╢╖╕╣║╗╝╜╛┐' +
    '└┴┬├─┼╞╟╚╔╩╦╠═╬╧╨╤╥╙╘╒╓╫╪┘┌█▄▌▐▀αßΓπΣσµτΦΘΩδ∞φε∩≡±≥≤⌠⌡÷≈°∙·√ⁿ²■\u00a0';

  const el = (id) => document.getElementById(id);
  const key = (record, column) => record + '\u0000' + column;

  // ---- The model: columns and records as the server gives them ----

  const model = {
    info: null,        // /api/columns
    columns: [],       // shown in this order: record and the first text column first
    pinned: 0,         // how many columns stay in view while scrolling sideways
    rows: [],          // {record, texts: [cell text per column]}, in record order
    byRecord: new Map(),
    recordSize: 0,
  };

  // The order of the columns on the screen: the record number and the first
  // text column stay at the left edge, the others follow in the file's order.
  function arrangeColumns(info) {
    const all = info.columns.map((c) => ({ ...c }));
    const firstText = all.findIndex((c) => c.type === 'text');
    const front = all.filter((c) => c.role === 'record');
    if (firstText >= 0) front.push(all[firstText]);
    model.columns = front.concat(all.filter((c) => !front.includes(c)));
    model.pinned = front.length;
    model.columns.forEach((c, index) => {
      c.index = index;
      c.width = columnWidth(c);
      c.editable = c.role === 'value' && c.length !== 0;  // an empty `rest` holds nothing
      c.numeric = c.role === 'record' || NUMBER_TYPES.has(c.type) ||
        (c.role === 'value' && Array.isArray(c.choices));
    });
    let left = 0;
    for (const c of model.columns) { c.left = left; left += c.width; }
    model.width = left;
  }

  function columnWidth(c) {
    const chars = {
      record: 6,
      integer: Math.max(String(c.min ?? '').length, String(c.max ?? '').length, 4) + 1,
      real: 12,
      text: Math.min(Math.max(c.max_length || 8, 8), 32),
      hex: Math.min(2 + 2 * (c.length || 1), 24),
      name: 18,
    }[c.role === 'record' ? 'record' : c.type] || 10;
    return Math.round(Math.max(chars * CHAR_PX, Math.min(c.name.length, 18) * HEAD_CHAR_PX) + 14);
  }

  // A real as the export writes it (the shortest digits that read back to
  // the same value, in fixed or exponent form, whichever is shorter, fixed
  // on a tie: 406, 18.7, 1e+20, 1e-05, -0), so that every cell is the text
  // the import reads and /api/check answers. JSON.parse keeps the value; the
  // digits of a 32-bit real's shortest text are also its double's shortest.
  function realText(value) {
    if (value === 0) return Object.is(value, -0) ? '-0' : '0';
    const [mantissa, exponentText] = Math.abs(value).toExponential().split('e');
    const digits = mantissa.replace('.', '');
    const exponent = Number(exponentText);
    let fixed;
    if (exponent >= digits.length - 1) fixed = digits + '0'.repeat(exponent - digits.length + 1);
    else if (exponent >= 0) fixed = digits.slice(0, exponent + 1) + '.' + digits.slice(exponent + 1);
    else fixed = '0.' + '0'.repeat(-exponent - 1) + digits;
    const scientific = mantissa + 'e' + (exponent < 0 ? '-' : '+') + String(Math.abs(exponent)).padStart(2, '0');
    return (value < 0 ? '-' : '') + (scientific.length < fixed.length ? scientific : fixed);
  }

  function cellText(c, value) {
    if (value === undefined || value === null) return '';
    return c.type === 'real' && typeof value === 'number' ? realText(value) : String(value);
  }

  function loadRecords(exported) {
    model.recordSize = exported.record_size;
    model.rows = exported.records.map((r) => ({
      record: r.record,
      texts: model.columns.map((c) => cellText(c, r[c.name])),
    }));
    model.byRecord = new Map(model.rows.map((row) => [row.record, row]));
  }

  const diskText = (record, c) => model.byRecord.get(record)?.texts[c.index];
  const columnNamed = (name) => model.columns.find((c) => c.name === name);

  // ---- What is shown: sort, filters, selection, edits ----

  const state = {
    sort: null,                 // {column: name, descending}
    filters: new Map(),         // column name -> filter text
    shown: [],                  // the rows that pass the filters, in sort order
    selected: null,             // {record, column: name}
    editing: null,              // {record, column, input}
    pending: new Map(),         // key -> {record, column, text, before, checking, error, disk}
    version: null,
  };

  // A filter: a piece of the cell's text, any letter case; for a number
  // column also a comparison ("<100", ">=2.5", "=0").
  function filterTest(c, text) {
    const compare = c.numeric && /^(<=|>=|<|>|=)\s*(\S+)$/.exec(text.trim());
    if (compare) {
      const limit = numberOf(compare[2]);
      const tests = { '<': (v) => v < limit, '>': (v) => v > limit, '<=': (v) => v <= limit,
        '>=': (v) => v >= limit, '=': (v) => v === limit };
      const test = tests[compare[1]];
      return (cell) => test(numberOf(cell));
    }
    const wanted = text.toLowerCase();
    return (cell) => cell.toLowerCase().includes(wanted);
  }

  function numberOf(text) {
    if (text === 'inf') return Infinity;
    if (text === '-inf') return -Infinity;
    return text.trim() === '' ? NaN : Number(text);
  }

  // Numbers as numbers (a NaN last either way), texts by their letters;
  // equal cells keep record order.
  function sortRows(rows) {
    if (!state.sort) return rows;
    const c = columnNamed(state.sort.column);
    if (!c) return rows;
    const sign = state.sort.descending ? -1 : 1;
    const keyOf = c.numeric ? (row) => numberOf(row.texts[c.index])
      : (row) => row.texts[c.index].toLowerCase();
    const keyed = rows.map((row) => [keyOf(row), row]);
    keyed.sort(([a, rowA], [b, rowB]) => {
      if (c.numeric && (Number.isNaN(a) || Number.isNaN(b))) {
        if (Number.isNaN(a) !== Number.isNaN(b)) return Number.isNaN(a) ? 1 : -1;
      } else if (a !== b) {
        return (a < b ? -1 : 1) * sign;
      }
      return rowA.record - rowB.record;
    });
    return keyed.map(([, row]) => row);
  }

  function refilter() {
    const tests = [];
    for (const [name, text] of state.filters) {
      const c = columnNamed(name);
      if (c && text.trim() !== '') tests.push([c.index, filterTest(c, text)]);
    }
    const passing = tests.length === 0 ? model.rows
      : model.rows.filter((row) => tests.every(([index, test]) => test(row.texts[index])));
    state.shown = sortRows(passing);
    grid.renderAll();
    showStatus();
  }

  // ---- The grid: a head, a filter row and the rows in view ----

  const grid = (function () {
    const box = el('grid');
    const head = el('grid-head');
    const filterRow = el('grid-filters');
    const body = el('grid-body');
    const built = new Map();  // record -> row element
    let rowsShown = false;    // marked once, for bench/vtweb-grid

    function headHeight() {
      return head.offsetHeight + filterRow.offsetHeight;
    }

    function placeCell(cell, c) {
      cell.dataset.column = c.name;
      if (c.index < model.pinned) {
        cell.classList.add('pin');
        cell.style.left = c.left + 'px';
        if (c.index === model.pinned - 1) cell.classList.add('pin-last');
      }
      if (c.numeric || c.type === 'hex') cell.classList.add('number');
    }

    function buildHead() {
      box.style.setProperty('--columns', model.columns.map((c) => c.width + 'px').join(' '));
      box.style.setProperty('--width', model.width + 'px');
      head.replaceChildren();
      filterRow.replaceChildren();
      for (const c of model.columns) {
        const cell = document.createElement('span');
        placeCell(cell, c);
        cell.textContent = c.name;
        cell.title = describeColumn(c) + '. Click to sort.';
        cell.setAttribute('role', 'columnheader');
        head.appendChild(cell);
        const holder = document.createElement('span');
        placeCell(holder, c);
        const input = document.createElement('input');
        input.type = 'search';
        input.autocomplete = 'off';
        input.placeholder = 'filter';
        input.title = 'Shows the rows whose ' + c.name + ' holds this text' +
          (c.numeric ? ', or compares: <100, >=2.5, =0' : '');
        input.setAttribute('aria-label', 'Filter ' + c.name);
        input.value = state.filters.get(c.name) || '';
        input.addEventListener('input', () => { state.filters.set(c.name, input.value); refilter(); });
        holder.appendChild(input);
        filterRow.appendChild(holder);
      }
      markSort();
    }

    function markSort() {
      for (const cell of head.children) {
        const sorted = state.sort && state.sort.column === cell.dataset.column;
        cell.classList.toggle('sorted', Boolean(sorted));
        cell.dataset.sort = sorted ? (state.sort.descending ? 'descending' : 'ascending') : '';
        cell.setAttribute('aria-sort', sorted ? cell.dataset.sort : 'none');
      }
    }

    function fillCell(cell, row, c) {
      const edit = state.pending.get(key(row.record, c.name));
      cell.className = '';
      placeCell(cell, c);
      if (!c.editable) cell.classList.add('read-only');
      if (state.selected && state.selected.record === row.record && state.selected.column === c.name)
        cell.classList.add('current');
      if (!edit) {
        const text = row.texts[c.index];
        cell.textContent = text;
        // The whole text where the column may cut it.
        if (text.length * CHAR_PX > c.width - 12) cell.title = text; else cell.removeAttribute('title');
        return;
      }
      cell.classList.add('pending');
      cell.classList.toggle('invalid', Boolean(edit.error));
      cell.classList.toggle('checking', Boolean(edit.checking));
      cell.classList.toggle('conflict', edit.disk !== undefined);
      cell.textContent = edit.text;
      if (edit.disk !== undefined) {
        const disk = document.createElement('span');
        disk.className = 'disk';
        disk.textContent = 'disk: ' + edit.disk;
        cell.appendChild(disk);
      }
      cell.title = editNote(edit);
    }

    function makeRow(row) {
      const element = document.createElement('div');
      element.className = 'row';
      element.dataset.record = String(row.record);
      element.setAttribute('role', 'row');
      for (const c of model.columns) {
        const cell = document.createElement('span');
        element.appendChild(cell);
        fillCell(cell, row, c);
      }
      return element;
    }

    function refreshRow(element, row) {
      model.columns.forEach((c, index) => {
        const cell = element.children[index];
        if (state.editing && state.editing.record === row.record && state.editing.column === c.name)
          return;
        fillCell(cell, row, c);
      });
      element.classList.toggle('selected', Boolean(state.selected && state.selected.record === row.record));
    }

    // Builds the rows in view and drops the others; a row being edited is
    // kept until its edit ends. Rows already built are filled again only
    // when something else than the scroll position changed.
    function render(refresh = true) {
      const top = box.scrollTop;
      const visible = Math.max(0, box.clientHeight - headHeight());
      const first = Math.max(0, Math.floor(top / ROW_HEIGHT) - OVERSCAN);
      const last = Math.min(state.shown.length, Math.ceil((top + visible) / ROW_HEIGHT) + OVERSCAN);
      const wanted = new Map();
      for (let index = first; index < last; index++) wanted.set(state.shown[index].record, index);
      for (const [record, element] of built) {
        if (wanted.has(record) || (state.editing && state.editing.record === record)) continue;
        element.remove();
        built.delete(record);
      }
      for (const [record, index] of wanted) {
        let element = built.get(record);
        const row = model.byRecord.get(record);
        if (!element) {
          element = makeRow(row);
          built.set(record, element);
          body.appendChild(element);
        } else if (refresh) {
          refreshRow(element, row);
        }
        element.style.top = (index * ROW_HEIGHT) + 'px';
        element.classList.toggle('selected', Boolean(state.selected && state.selected.record === record));
      }
      box.dataset.built = String(built.size);
      if (!rowsShown && built.size > 0) {
        rowsShown = true;
        performance.mark('vtweb-rows-shown');
      }
    }

    function renderAll() {
      body.style.height = (state.shown.length * ROW_HEIGHT) + 'px';
      for (const [record, element] of built) {
        if (!model.byRecord.has(record) && !(state.editing && state.editing.record === record)) {
          element.remove();
          built.delete(record);
        }
      }
      render();
    }

    function rebuild() {
      for (const list of document.querySelectorAll('datalist')) list.remove();  // the old columns'
      for (const element of built.values()) element.remove();
      built.clear();
      buildHead();
      renderAll();
    }

    function cellElement(record, column) {
      const element = built.get(record);
      const c = columnNamed(column);
      return element && c ? element.children[c.index] : null;
    }

    // Scrolls so that the cell is wholly in view, beside the pinned columns.
    function scrollToCell(record, column) {
      const index = state.shown.findIndex((row) => row.record === record);
      if (index >= 0) {
        const room = box.clientHeight - headHeight();
        const y = index * ROW_HEIGHT;
        if (y < box.scrollTop) box.scrollTop = y;
        else if (y + ROW_HEIGHT > box.scrollTop + room) box.scrollTop = y + ROW_HEIGHT - room;
      }
      const c = columnNamed(column);
      if (c && c.index >= model.pinned) {
        const pinnedWidth = model.columns[model.pinned]?.left ?? 0;
        if (c.left - pinnedWidth < box.scrollLeft) box.scrollLeft = c.left - pinnedWidth;
        else if (c.left + c.width > box.scrollLeft + box.clientWidth)
          box.scrollLeft = c.left + c.width - box.clientWidth;
      }
      render();
    }

    box.addEventListener('scroll', () => render(false), { passive: true });
    head.addEventListener('click', (event) => {
      const cell = event.target.closest('span[data-column]');
      if (!cell) return;
      const column = cell.dataset.column;
      if (!state.sort || state.sort.column !== column) state.sort = { column, descending: false };
      else if (!state.sort.descending) state.sort.descending = true;
      else state.sort = null;
      markSort();
      refilter();
    });
    body.addEventListener('click', (event) => {
      const cell = event.target.closest('.row > span');
      if (!cell || event.target instanceof HTMLInputElement || event.target instanceof HTMLSelectElement) return;
      select(Number(cell.parentElement.dataset.record), cell.dataset.column);
      box.focus({ preventScroll: true });
    });
    body.addEventListener('dblclick', (event) => {
      const cell = event.target.closest('.row > span');
      if (!cell || cell.querySelector('input, select')) return;
      select(Number(cell.parentElement.dataset.record), cell.dataset.column);
      startEdit(null);
    });
    new ResizeObserver(() => render(false)).observe(box);
    return { rebuild, renderAll, render, cellElement, scrollToCell, box };
  })();

  // ---- Selection and the note on the selected cell ----

  function select(record, column) {
    if (state.editing) commitEdit();
    state.selected = record === null ? null : { record, column: column || model.columns[0].name };
    grid.render();
    showNote();
    hexView.show();
  }

  function moveSelection(down, right) {
    if (!state.selected || state.shown.length === 0) {
      if (state.shown.length > 0) select(state.shown[0].record, model.columns[0].name);
      return;
    }
    const row = Math.max(0, state.shown.findIndex((r) => r.record === state.selected.record));
    const c = columnNamed(state.selected.column) || model.columns[0];
    const nextRow = Math.min(state.shown.length - 1, Math.max(0, row + down));
    const nextColumn = Math.min(model.columns.length - 1, Math.max(0, c.index + right));
    select(state.shown[nextRow].record, model.columns[nextColumn].name);
    grid.scrollToCell(state.selected.record, state.selected.column);
  }

  function describeColumn(c) {
    if (c.role === 'record') return 'The record number';
    if (c.role !== 'value') return c.name + ': a name, shown beside its field (read-only)';
    const kinds = {
      integer: () => 'a whole number from ' + c.min + ' to ' + c.max + ' (or $ and hex digits)',
      real: () => 'a ' + (c.length === 8 ? '64' : '32') + '-bit real',
      text: () => 'a text of at most ' + c.max_length + ' characters',
      hex: () => (c.length || 0) + ' bytes as hex digits',
    };
    const kind = Array.isArray(c.choices) ? 'one of its name table\'s entries'
      : (kinds[c.type] || (() => c.type))();
    return c.name + ': ' + kind + (c.letter ? ' (type ' + c.letter + ')' : '');
  }

  function editNote(edit) {
    if (edit.checking) return 'Being checked: ' + edit.text;
    if (edit.error) return 'Not valid, not saved: ' + edit.error;
    if (edit.disk !== undefined)
      return 'Changed on disk too: the file holds "' + edit.disk + '", this page "' + edit.text +
        '". Enter the value again to save it over the file\'s.';
    return 'Edited, not saved yet (was "' + edit.before + '")';
  }

  function showNote() {
    const note = el('note');
    const s = state.selected;
    const c = s && columnNamed(s.column);
    if (!c) { note.textContent = ''; note.className = ''; return; }
    const edit = state.pending.get(key(s.record, s.column));
    note.textContent = 'Record ' + s.record + ', ' + describeColumn(c) +
      (edit ? '. ' + editNote(edit) : '');
    note.className = edit ? (edit.error ? 'invalid' : edit.disk !== undefined ? 'conflict' : 'pending') : '';
  }

  // ---- Editing a cell ----

  // Opens the cell's editor: a list of choices for a name field, a line of
  // text for the others. `typed` replaces the text when editing began with
  // a key; a name field then takes the number typed, its table offered
  // as suggestions.
  function startEdit(typed) {
    const s = state.selected;
    const c = s && columnNamed(s.column);
    if (!c) return;
    if (!c.editable) { notice(c.name + ' cannot be edited: ' + describeColumn(c) + '.', false); return; }
    grid.scrollToCell(s.record, s.column);
    const cell = grid.cellElement(s.record, s.column);
    if (!cell) return;
    const edit = state.pending.get(key(s.record, s.column));
    const current = edit ? edit.text : diskText(s.record, c);
    const input = Array.isArray(c.choices) && typed === null ? choiceEditor(c, current)
      : textEditor(c, typed ?? current);
    cell.replaceChildren(input);
    cell.classList.add('editing');
    state.editing = { record: s.record, column: s.column, input };
    input.focus();
    if (input instanceof HTMLInputElement && typed === null) input.select();
  }

  function textEditor(c, text) {
    const input = document.createElement('input');
    input.type = 'text';
    input.value = text;
    input.spellcheck = false;
    input.setAttribute('aria-label', c.name);
    if (c.type === 'text' && c.max_length !== undefined) input.maxLength = c.max_length;
    if (c.type === 'hex') {
      input.maxLength = 2 + 2 * (c.length || 0);
      input.pattern = '(0x)?[0-9A-Fa-f]*';
    }
    if (NUMBER_TYPES.has(c.type)) input.inputMode = c.type === 'integer' ? 'numeric' : 'decimal';
    if (Array.isArray(c.choices)) input.setAttribute('list', choiceList(c).id);
    input.addEventListener('keydown', editorKeys);
    input.addEventListener('blur', () => commitEdit());
    return input;
  }

  // The name table of a column as suggestions for typing, made once.
  function choiceList(c) {
    const id = 'choices-' + c.index;
    let list = document.getElementById(id);
    if (!list) {
      list = document.createElement('datalist');
      list.id = id;
      for (const [value, name] of c.choices) list.appendChild(new Option(String(name).trim(), String(value)));
      document.body.appendChild(list);
    }
    return list;
  }

  function choiceEditor(c, text) {
    const select = document.createElement('select');
    select.setAttribute('aria-label', c.name);
    const values = new Set();
    for (const [value, name] of c.choices) {
      values.add(String(value));
      select.add(new Option(value + '  ' + String(name).trim(), String(value)));
    }
    // A value the table does not name is kept as it is.
    if (!values.has(text)) select.add(new Option(text + '  (not in the table)', text), 0);
    select.value = text;
    select.addEventListener('keydown', editorKeys);
    select.addEventListener('change', () => commitEdit());
    select.addEventListener('blur', () => commitEdit());
    return select;
  }

  function editorKeys(event) {
    if (event.key === 'Escape') {
      event.preventDefault();
      endEdit();
      grid.box.focus({ preventScroll: true });
    } else if (event.key === 'Enter' || event.key === 'Tab') {
      event.preventDefault();
      commitEdit();
      grid.box.focus({ preventScroll: true });
      moveSelection(event.key === 'Enter' ? (event.shiftKey ? -1 : 1) : 0,
        event.key === 'Tab' ? (event.shiftKey ? -1 : 1) : 0);
    }
  }

  // Closes the editor without keeping what it holds.
  function endEdit() {
    const editing = state.editing;
    if (!editing) return null;
    state.editing = null;
    const cell = grid.cellElement(editing.record, editing.column);
    if (cell) cell.classList.remove('editing');
    grid.render();
    return editing;
  }

  // Keeps the editor's text as a pending edit, checked by the server. An
  // edit is made against the disk's text as the page shows it now.
  function commitEdit() {
    const editing = endEdit();
    if (!editing) return;
    const c = columnNamed(editing.column);
    const text = editing.input.value;
    const id = key(editing.record, editing.column);
    const disk = diskText(editing.record, c);
    const old = state.pending.get(id);
    if (disk === undefined || (old && old.text === text && old.disk === undefined)) return;
    if (text === disk) {
      state.pending.delete(id);
    } else {
      const edit = { record: editing.record, column: editing.column, text, before: disk, checking: true };
      state.pending.set(id, edit);
      check(edit);
    }
    changed();
  }

  async function check(edit) {
    try {
      const answer = await postJson('/api/check', { column: edit.column, text: edit.text });
      if (state.pending.get(key(edit.record, edit.column)) !== edit) return;  // edited again
      edit.checking = false;
      if (answer.body.error !== undefined) {
        edit.error = String(answer.body.error);
      } else if (answer.body.text !== undefined) {
        edit.text = String(answer.body.text);
        if (edit.text === edit.before) state.pending.delete(key(edit.record, edit.column));
      } else {
        edit.error = 'vtweb could not check it (' + answer.status + ' ' + answer.text + ')';
      }
    } catch (error) {
      edit.checking = false;
      edit.error = 'vtweb could not check it (' + error.message + ')';
    }
    changed();
  }

  function changed() {
    grid.render();
    showNote();
    showStatus();
    hexView.show();
  }

  // ---- Save and insert ----

  let saving = false;
  async function save() {
    if (saving) return;  // a second Ctrl+S while the first is answered
    if (state.editing) commitEdit();
    const ready = [...state.pending.values()].filter((e) => !e.error && !e.checking);
    if (ready.length === 0) {
      notice(state.pending.size > 0 ? 'Nothing to save: the edited cells are not valid yet.'
        : 'Nothing to save.', false);
      return;
    }
    const records = new Map();
    for (const edit of ready) {
      if (!records.has(edit.record)) records.set(edit.record, { record: edit.record, before: {}, after: {} });
      records.get(edit.record).before[edit.column] = edit.before;
      records.get(edit.record).after[edit.column] = edit.text;
    }
    el('save').disabled = true;
    saving = true;
    try {
      const answer = await postJson('/api/save', { version: state.version, records: [...records.values()] });
      if (answer.status === 409) return await replaced(answer.body);
      if (answer.status !== 200) {
        notice('Not saved: ' + String(answer.body.message || answer.text).trim(), true);
        return;
      }
      const conflicts = answer.body.conflicts || [];
      const conflicted = new Set(conflicts.map((k) => key(k.record, k.column)));
      for (const edit of ready) {
        const id = key(edit.record, edit.column);
        if (!conflicted.has(id) && state.pending.get(id) === edit) state.pending.delete(id);
      }
      for (const k of conflicts) {
        const edit = state.pending.get(key(k.record, k.column));
        if (edit) edit.disk = String(k.disk);
      }
      const written = (answer.body.written || []).length;
      notice('Saved ' + written + (written === 1 ? ' record' : ' records') +
        (conflicts.length ? '; ' + conflicts.length + ' cells changed on disk too are kept here, unsaved' : '') +
        '.', conflicts.length > 0);
      await reload();
    } catch (error) {
      notice('Not saved: ' + error.message, true);
    } finally {
      saving = false;
      showStatus();
    }
  }

  // A copy of the selected record before it, as datedit's `i` inserts one.
  async function insertCopy() {
    if (!state.selected) { notice('Select the record to copy first.', false); return; }
    if (state.editing) commitEdit();
    const at = state.selected.record;
    try {
      const answer = await postJson('/api/insert', { version: state.version, at, copy_of: at });
      if (answer.status === 409) return await replaced(answer.body);
      if (answer.status !== 200) {
        notice('Not inserted: ' + String(answer.body.message || answer.text).trim(), true);
        return;
      }
      // The records from `at` on moved one up; so do their edits.
      const moved = [...state.pending.values()].sort((a, b) => b.record - a.record);
      for (const edit of moved) {
        if (edit.record < at) continue;
        state.pending.delete(key(edit.record, edit.column));
        edit.record += 1;
        state.pending.set(key(edit.record, edit.column), edit);
      }
      notice('Inserted a copy of record ' + at + ' before it: the copy is record ' + answer.body.record +
        ', the record copied is now ' + (at + 1) + '.', false);
      await reload();
      select(answer.body.record, state.selected.column);
      grid.scrollToCell(state.selected.record, state.selected.column);
    } catch (error) {
      notice('Not inserted: ' + error.message, true);
    }
  }

  // Another program replaced the file: everything is read again; edits stay
  // and are shown as conflicts where the new file differs.
  async function replaced(body) {
    state.version = null;
    await reload(true);
    notice(String(body.message || 'The file was replaced by another program.') +
      ' The page was read again; nothing was written.', true);
  }

  async function postJson(path, body) {
    const response = await fetch(path, { method: 'POST', cache: 'no-store', credentials: 'same-origin',
      headers: { 'Content-Type': 'application/json' }, body: JSON.stringify(body) });
    const text = await response.text();
    let parsed = {};
    try { parsed = JSON.parse(text); } catch (error) { parsed = { message: text }; }
    return { status: response.status, body: parsed, text };
  }

  // ---- The hex view of the selected record ----

  // The selected record's bytes as the file holds them (/api/bytes: also
  // those no cell shows, after a text's zero byte), read again whenever the
  // file's version changes, with the unsaved edits drawn over them.
  const hexView = (function () {
    const panel = el('hex');
    let read = null;       // {record, version, bytes} of the last answer
    let asking = null;     // {record, version} of the request under way

    // The bytes a save stores for an edit's text: integers low byte first
    // (an O field class byte first), reals as IEEE, texts in code page 437
    // and zeros after them, hex by its digits.
    function bytesOf(c, text) {
      const bytes = new Uint8Array(c.length || 0);
      const view = new DataView(bytes.buffer);
      if (c.type === 'real') {
        const value = text === 'nan' ? NaN : numberOf(text);
        if (c.length === 8) view.setFloat64(0, value, true); else if (c.length === 4) view.setFloat32(0, value, true);
      } else if (c.type === 'hex') {
        const digits = text.replace(/^0x/i, '');
        for (let k = 0; k < bytes.length && 2 * k + 2 <= digits.length; k++)
          bytes[k] = parseInt(digits.substr(2 * k, 2), 16);
      } else if (c.type === 'text') {
        [...text].slice(0, bytes.length).forEach((ch, k) => { bytes[k] = cp437Byte(ch); });
      } else {
        let value = BigInt(text || 0);
        if (c.letter === 'O') value = ((value & 255n) << 8n) | ((value >> 8n) & 255n);
        for (let k = 0; k < bytes.length; k++) { bytes[k] = Number(value & 255n); value >>= 8n; }
      }
      return bytes;
    }

    function cp437Byte(ch) {
      const code = ch.charCodeAt(0);
      if (code >= 32 && code < 127) return code;
      const low = CP437_LOW.indexOf(ch);
      if (low > 0) return low;
      const high = CP437_HIGH.indexOf(ch);
      return high >= 0 ? 127 + high : 0x3f;
    }

    // The selected record's bytes, once read at the page's version; the bytes
    // read before stay shown meanwhile. A late answer for another record or
    // version is dropped.
    async function fetchBytes(record, version) {
      if (asking && asking.record === record && asking.version === version) return;
      const ask = { record, version };
      asking = ask;
      panel.classList.add('reading');
      try {
        const answer = JSON.parse(await fetchText('/api/bytes?record=' + record));
        if (asking !== ask) return;
        const hex = String(answer.hex);
        read = { record, version, bytes: Uint8Array.from(hex.match(/../g) || [], (b) => parseInt(b, 16)) };
      } catch (error) {
        if (asking !== ask) return;
        read = { record, version, error: error.message };
      }
      asking = null;
      panel.classList.remove('reading');
      show();
    }

    // The unsaved, valid edits of the record: which bytes they change.
    function editedBytes(record, size) {
      const edited = new Array(size).fill(null);
      for (const edit of state.pending.values()) {
        const c = columnNamed(edit.column);
        if (edit.record !== record || edit.error || edit.checking || !c || !c.length) continue;
        let part;
        try { part = bytesOf(c, edit.text); } catch (error) { continue; }
        for (let k = 0; k < c.length && c.offset + k < size; k++) edited[c.offset + k] = part[k];
      }
      return edited;
    }

    function show() {
      const s = state.selected;
      const row = s && model.byRecord.get(s.record);
      if (!row) {
        panel.replaceChildren('Select a record to see its bytes.');
        return;
      }
      if (!read || read.record !== row.record || read.version !== state.version)
        fetchBytes(row.record, state.version);
      if (!read || read.record !== row.record) {
        panel.replaceChildren('Reading the bytes of record ' + row.record + '...');
        return;
      }
      if (read.error) {
        panel.replaceChildren('The bytes of record ' + row.record + ' could not be read: ' + read.error);
        return;
      }
      panel.replaceChildren();
      const bytes = read.bytes;
      const edited = editedBytes(row.record, bytes.length);
      const owner = new Array(bytes.length).fill(null);
      const fields = model.columns.filter((c) => c.role === 'value' && c.length > 0)
        .sort((a, b) => a.offset - b.offset);
      fields.forEach((c, n) => {
        for (let k = 0; k < c.length && c.offset + k < bytes.length; k++)
          owner[c.offset + k] = { c, colour: c.name === 'rest' ? '#e4e4e4' : FIELD_COLOURS[n % FIELD_COLOURS.length] };
      });
      const title = document.createElement('div');
      title.className = 'hex-title';
      const current = columnNamed(s.column);
      title.textContent = 'Record ' + row.record + ': ' + bytes.length + ' bytes' +
        (current && current.role === 'value' ? '; ' + current.name + ' from byte ' + current.offset +
          ', ' + current.length + (current.length === 1 ? ' byte' : ' bytes') : '') +
        (edited.some((b) => b !== null) ? '; edited bytes, not saved yet, are underlined' : '');
      panel.appendChild(title);
      for (let line = 0; line < bytes.length; line += HEX_PER_LINE) {
        const div = document.createElement('div');
        div.className = 'hex-line';
        const at = document.createElement('span');
        at.className = 'hex-offset';
        at.textContent = line.toString(16).toUpperCase().padStart(4, '0');
        div.appendChild(at);
        for (let k = line; k < Math.min(bytes.length, line + HEX_PER_LINE); k++) {
          const b = document.createElement('span');
          b.className = 'hex-byte';
          b.textContent = (edited[k] ?? bytes[k]).toString(16).toUpperCase().padStart(2, '0');
          if (owner[k]) {
            b.style.background = owner[k].colour;
            b.dataset.column = owner[k].c.name;
            b.title = owner[k].c.name + ', byte ' + (k - owner[k].c.offset) + ' of ' + owner[k].c.length;
            if (s.column === owner[k].c.name) b.classList.add('current');
          }
          if (edited[k] !== null) {
            b.classList.add('edited');
            b.title += '; edited, not saved (the file holds ' + bytes[k].toString(16).toUpperCase().padStart(2, '0') + ')';
          }
          div.appendChild(b);
        }
        panel.appendChild(div);
      }
    }
    return { show };
  })();

  // ---- Status line and notices ----

  function showStatus() {
    const info = model.info;
    const name = info ? info.file : '';
    el('title').textContent = (name || 'Records') + (info && info.format ? ' (' + info.format + ')' : '');
    document.title = (name || 'Records') + ' - vtweb';
    el('status').textContent = model.rows.length + (model.rows.length === 1 ? ' record' : ' records') +
      (state.shown.length !== model.rows.length ? ', ' + state.shown.length + ' shown' : '');
    const edits = [...state.pending.values()];
    const invalid = edits.filter((e) => e.error).length;
    const conflicts = edits.filter((e) => e.disk !== undefined).length;
    el('pending').textContent = edits.length === 0 ? '' : edits.length + ' edited' +
      (invalid ? ', ' + invalid + ' not valid' : '') + (conflicts ? ', ' + conflicts + ' changed on disk too' : '');
    el('save').disabled = !edits.some((e) => !e.error && !e.checking);
  }

  // Whether the page follows the file, apart from the notices of the
  // page's own actions.
  function live(text, isError) {
    const line = el('live');
    line.textContent = text;
    line.title = isError ? '' : 'Changes to the file, by this page or another program, appear here.';
    line.classList.toggle('error', Boolean(isError));
  }

  function notice(text, isError) {
    const line = el('notice');
    line.textContent = text;
    line.classList.toggle('error', Boolean(isError));
  }

  // ---- Loading and live updates ----

  async function fetchText(path) {
    const response = await fetch(path, { cache: 'no-store', credentials: 'same-origin' });
    const text = await response.text();
    if (!response.ok) throw new Error(path + ': ' + response.status + ' ' + text);
    return text;
  }

  // An edit whose cell changed on disk since it was made shows both values.
  function markConflicts() {
    for (const edit of state.pending.values()) {
      const c = columnNamed(edit.column);
      const disk = c ? diskText(edit.record, c) : undefined;
      if (disk === undefined) { state.pending.delete(key(edit.record, edit.column)); continue; }
      if (disk === edit.text) state.pending.delete(key(edit.record, edit.column));
      else if (disk !== edit.before) edit.disk = disk;
      else delete edit.disk;
    }
  }

  // Reads the records (and the columns, when the file or its record length
  // is new) and redraws, keeping scroll, selection, sort, filter and edits.
  let loading = null;
  async function reload(columnsToo) {
    if (loading) return loading;
    loading = (async () => {
      const version = JSON.parse(await fetchText('/api/version')).version;
      const exported = JSON.parse(await fetchText('/api/records'));
      if (columnsToo || !model.info || exported.record_size !== model.recordSize) {
        model.info = JSON.parse(await fetchText('/api/columns'));
        arrangeColumns(model.info);
        loadRecords(exported);
        grid.rebuild();
      } else {
        loadRecords(exported);
      }
      state.version = version;
      markConflicts();
      if (state.selected && !model.byRecord.has(state.selected.record)) state.selected = null;
      refilter();
      showNote();
      hexView.show();
    })();
    try { await loading; } finally { loading = null; }
  }

  async function poll() {
    try {
      const now = JSON.parse(await fetchText('/api/version')).version;
      if (now !== state.version) await reload(state.version === null || !sameFile(now, state.version));
      live('Live', false);
    } catch (error) {
      live('Could not read from vtweb (' + error.message + '); trying again.', true);
    }
    setTimeout(poll, POLL_MS);
  }

  // The version's first two parts are the file's device and inode.
  function sameFile(a, b) {
    return String(a).split('-').slice(0, 2).join('-') === String(b).split('-').slice(0, 2).join('-');
  }

  // ---- Keys ----

  grid.box.addEventListener('keydown', (event) => {
    if (event.target !== grid.box) return;
    const moves = { ArrowDown: [1, 0], ArrowUp: [-1, 0], ArrowRight: [0, 1], ArrowLeft: [0, -1],
      PageDown: [20, 0], PageUp: [-20, 0] };
    if (moves[event.key]) {
      event.preventDefault();
      moveSelection(...moves[event.key]);
    } else if (event.key === 'Enter' || event.key === 'F2') {
      event.preventDefault();
      startEdit(null);
    } else if ((event.key === 'Backspace' || event.key === 'Delete') && state.selected) {
      event.preventDefault();
      startEdit('');  // an empty line to type the new value into
    } else if (event.key === 'Insert') {
      event.preventDefault();
      insertCopy();
    } else if (event.key.length === 1 && !event.ctrlKey && !event.metaKey && !event.altKey && state.selected) {
      event.preventDefault();
      startEdit(event.key);
    }
  });
  document.addEventListener('keydown', (event) => {
    if ((event.ctrlKey || event.metaKey) && event.key.toLowerCase() === 's') {
      event.preventDefault();
      save();
    }
  });
  el('save').addEventListener('click', save);
  el('insert').addEventListener('click', insertCopy);
  window.addEventListener('beforeunload', (event) => {
    if (state.pending.size > 0) event.preventDefault();
  });

  poll();
})();
