// The list's page. The rows come as data (blocks of columns in JSON script elements)
// and the table draws only what can be seen, so a million files open at once: a DOM row per
// file stops a browser long before that (a table of 5,000 rows already takes half a second
// to lay out again). Small lists also come as plain table rows, for readers without script
// and for paper: this script puts the rows in view in their place, and draws them all
// again while the page is printed.
(function () {
  "use strict";
  const table = document.getElementById("lista");
  const setup = document.getElementById("vellora-pagina");
  if (!table || !setup || !table.tHead || !table.tBodies.length) return;
  const conf = JSON.parse(setup.textContent);
  const fields = conf.fields;
  const nf = fields.length;

  // --- the data -------------------------------------------------------------------------
  const cols = fields.map(() => []);
  const folders = [];
  for (const block of Array.from(document.querySelectorAll("script.vellora-righe"))) {
    const b = JSON.parse(block.textContent);
    for (const f of b.folders) folders.push(f);
    for (let c = 0; c < nf; c++) {
      const from = b.cols[c], to = cols[c];
      for (let i = 0; i < from.length; i++) to.push(from[i]);
    }
    block.remove(); // its text is in the columns now
  }
  const n = nf ? cols[0].length : 0;
  // Sizes and dates as numbers, NaN where the file could not be read; a size beyond 2^53
  // comes as digits and keeps them for its text.
  const exact = new Map();
  for (let c = 0; c < nf; c++) {
    if (fields[c] !== "size" && fields[c] !== "date" && fields[c] !== "folder") continue;
    const from = cols[c];
    const to = fields[c] === "folder" ? new Int32Array(n) : new Float64Array(n);
    for (let i = 0; i < n; i++) {
      const v = from[i];
      if (typeof v === "string") exact.set(i, v);
      to[i] = v === null ? NaN : Number(v);
    }
    cols[c] = to;
  }

  // --- texts ------------------------------------------------------------------------------
  const grouped = (digits) => {
    const neg = digits.charAt(0) === "-", d = neg ? digits.slice(1) : digits;
    let out = "";
    for (let i = 0; i < d.length; i++) {
      if (i > 0 && (d.length - i) % 3 === 0) out += conf.group;
      out += d.charAt(i);
    }
    return neg ? "-" + out : out;
  };
  const two = (v) => (v < 10 ? "0" : "") + v;
  const dateText = (wall) => {
    const d = new Date(wall * 1000); // the exporter's local time, written as if it were UTC
    if (isNaN(d.getTime())) return "";
    const y = String(d.getUTCFullYear()).padStart(4, "0");
    return two(d.getUTCDate()) + conf.dateSep + two(d.getUTCMonth() + 1) + conf.dateSep + y + " " +
      two(d.getUTCHours()) + conf.timeSep + two(d.getUTCMinutes());
  };
  const cellText = (c, i) => {
    const v = cols[c][i];
    switch (fields[c]) {
      case "size": return v !== v ? "" : grouped(exact.get(i) || String(v));
      case "date": return v !== v ? "" : dateText(v);
      case "folder": return folders[v];
      default: return v;
    }
  };
  const count = (k) => grouped(String(k));

  // --- orders -----------------------------------------------------------------------------
  // Texts in the page's language, digits by their value; equal values keep the list's order
  // in both directions, and unknown sizes and dates go last in both.
  const collator = new Intl.Collator(document.documentElement.lang || "it", { numeric: true });
  const ranks = [];
  // A million names put in order by the collator take seconds. Most names hold only letters
  // the collator tells apart by their base letter (ASCII, and the accented Latin letters
  // that equal one of them at that level, such as à and é), digits and punctuation: their
  // keys order them as the collator does at its first level, one character per class of
  // letters it holds equal (a, A, à) in the collator's own order of them, and a run of
  // digits as its length and its digits (so 9 < 10, and 007 = 7). The keys are sorted by
  // their characters, the collator settles keys that are equal, and every other name is
  // placed among them by the collator itself.
  const plainKey = (() => {
    const none = () => null;
    if (collator.resolvedOptions().ignorePunctuation) return none;
    const base = new Intl.Collator(collator.resolvedOptions().locale, { numeric: true, sensitivity: "base" });
    const chars = [];
    for (let c = 0x20; c < 0x180; c++) {
      if ((c <= 0x30 || c > 0x39) && (c < 0x7f || c >= 0xc0)) chars.push(String.fromCharCode(c));
    }
    chars.sort((a, b) => base.compare(a, b) || a.charCodeAt(0) - b.charCodeAt(0));
    const code = new Uint8Array(0x180); // 0: not a plain character
    let k = 0x21;
    for (let j = 0; j < chars.length;) {
      let end = j + 1;
      while (end < chars.length && base.compare(chars[j], chars[end]) === 0) end++;
      if (chars[j].charCodeAt(0) < 0x7f) { // a class is plain when it holds an ASCII character
        for (let q = j; q < end; q++) code[chars[q].charCodeAt(0)] = k;
        k++;
      }
      j = end;
    }
    if (k >= 0xff) return none;
    const digits = code[0x30]; // "0" stands for every run of digits
    const buf = new Uint8Array(1024);
    return (s) => {
      if (s.length > 300) return null;
      let m = 0;
      for (let i = 0; i < s.length; i++) {
        const c = s.charCodeAt(i);
        if (c < 0x30 || c > 0x39) {
          if (c >= 0x180 || !code[c]) return null;
          buf[m++] = code[c];
          continue;
        }
        let j = i;
        while (j < s.length && s.charCodeAt(j) === 0x30) j++;
        let end = j;
        while (end < s.length && s.charCodeAt(end) >= 0x30 && s.charCodeAt(end) <= 0x39) end++;
        if (end - j > 30) return null; // the collator reads long runs in pieces
        buf[m++] = digits;
        buf[m++] = 0x21 + end - j;
        for (let q = j; q < end; q++) buf[m++] = s.charCodeAt(q);
        i = end - 1;
      }
      return String.fromCharCode.apply(null, buf.subarray(0, m));
    };
  })();
  // rows (ascending) in the order of their keys: a radix sort, one character at a time from
  // the first, in place; small groups and keys that end together go to compare.
  const radixSort = (rows, keys, compare) => {
    const tmp = new Int32Array(rows.length), at = new Uint8Array(rows.length), count = new Int32Array(258);
    const todo = [0, rows.length, 0];
    while (todo.length) {
      const depth = todo.pop(), hi = todo.pop(), lo = todo.pop();
      if (hi - lo < 32) {
        rows.subarray(lo, hi).sort((a, b) => (keys[a] < keys[b] ? -1 : keys[a] > keys[b] ? 1 : compare(a, b)));
        continue;
      }
      count.fill(0);
      for (let i = lo; i < hi; i++) {
        const key = keys[rows[i]];
        at[i] = depth < key.length ? key.charCodeAt(depth) + 1 : 0;
        count[at[i] + 1]++;
      }
      count[0] = lo;
      for (let c = 1; c < 258; c++) count[c] += count[c - 1];
      for (let i = lo; i < hi; i++) tmp[count[at[i]]++] = rows[i];
      rows.set(tmp.subarray(lo, hi), lo);
      // count[c] is now where group c ends; group 0, the keys that end here, are equal.
      for (let c = 0, from = lo; c < 257; from = count[c++]) {
        if (count[c] - from < 2) continue;
        if (c === 0) rows.subarray(from, count[c]).sort(compare);
        else todo.push(from, count[c], depth + 1);
      }
    }
    return rows;
  };
  // Two sorted runs into one; b's rows are few or come in clusters, so each finds its place
  // in a by galloping, with few comparisons.
  const merge = (a, b, compare) => {
    const out = new Int32Array(a.length + b.length);
    let i = 0, o = 0;
    for (let j = 0; j < b.length; j++) {
      let lo = i, hi = i, step = 1;
      while (hi < a.length && compare(a[hi], b[j]) < 0) { lo = hi + 1; hi += step; step *= 2; }
      hi = Math.min(hi, a.length);
      while (lo < hi) {
        const mid = (lo + hi) >> 1;
        if (compare(a[mid], b[j]) < 0) lo = mid + 1; else hi = mid;
      }
      out.set(a.subarray(i, lo), o);
      o += lo - i;
      out[o++] = b[j];
      i = lo;
    }
    out.set(a.subarray(i), o);
    return out;
  };
  // The rank of each text in the collator's order: equal texts, equal ranks.
  const ranksOf = (texts) => {
    const keys = texts.map(plainKey), plain = [], other = [];
    texts.forEach((_, i) => (keys[i] === null ? other : plain).push(i));
    const compare = (a, b) => collator.compare(texts[a], texts[b]) || a - b;
    const order = merge(radixSort(Int32Array.from(plain), keys, compare), Int32Array.from(other).sort(compare),
      compare);
    const r = new Int32Array(texts.length);
    for (let j = 1, k = 0; j < order.length; j++) {
      const a = order[j - 1], b = order[j];
      const apart = keys[a] !== null && keys[b] !== null && keys[a] !== keys[b];
      if (apart || collator.compare(texts[a], texts[b]) !== 0) k++;
      r[b] = k;
    }
    return r;
  };
  // Every row's rank in a text column: equal texts, equal ranks. Checksums are hex digits,
  // in the order they are written.
  const textRanks = (c) => {
    const values = cols[c];
    if (fields[c] === "name") return ranksOf(values);
    if (fields[c] === "sha256") {
      const idx = Array.from({ length: n }, (_, i) => i), r = new Int32Array(n);
      idx.sort((a, b) => (values[a] < values[b] ? -1 : values[a] > values[b] ? 1 : a - b));
      for (let j = 1, k = 0; j < n; j++) r[idx[j]] = values[idx[j]] === values[idx[j - 1]] ? k : ++k;
      return r;
    }
    let ids = values, texts = folders; // folders are written once and named by number
    if (fields[c] !== "folder") {
      const seen = new Map();
      texts = [];
      ids = new Int32Array(n);
      for (let i = 0; i < n; i++) {
        let u = seen.get(values[i]);
        if (u === undefined) seen.set(values[i], (u = texts.push(values[i]) - 1));
        ids[i] = u;
      }
    }
    const byText = ranksOf(texts), r = new Int32Array(n);
    for (let i = 0; i < n; i++) r[i] = byText[ids[i]];
    return r;
  };
  // Every row's rank in a column of numbers; -1 where the number is unknown.
  const numberRanks = (v) => {
    const known = v.filter((x) => x === x).sort(), uniq = [];
    known.forEach((x, j) => { if (j === 0 || x !== known[j - 1]) uniq.push(x); });
    const r = new Int32Array(n);
    for (let i = 0; i < n; i++) {
      if (v[i] !== v[i]) { r[i] = -1; continue; }
      let lo = 0, hi = uniq.length - 1;
      while (lo < hi) {
        const mid = (lo + hi) >> 1;
        if (uniq[mid] < v[i]) lo = mid + 1; else hi = mid;
      }
      r[i] = lo;
    }
    return r;
  };
  // The ranks of a column are worked out by its first sort; every later sort by it, and
  // every reverse, counts the rows out by rank, so equal values keep the list's order either
  // way, and unknown sizes and dates come last either way.
  const sortedOrder = (c, up) => {
    const numbers = fields[c] === "size" || fields[c] === "date";
    const r = ranks[c] || (ranks[c] = numbers ? numberRanks(cols[c]) : textRanks(c));
    const place = new Int32Array(n + 2);
    for (let i = 0; i < n; i++) place[(r[i] < 0 ? n : up ? r[i] : n - 1 - r[i]) + 1]++;
    for (let k = 1; k <= n + 1; k++) place[k] += place[k - 1];
    const idx = new Int32Array(n);
    for (let i = 0; i < n; i++) idx[place[r[i] < 0 ? n : up ? r[i] : n - 1 - r[i]]++] = i;
    return idx;
  };

  // --- the search -------------------------------------------------------------------------
  // The typed text, case ignored, inside a file's name (with its extension) or its folder.
  const nameCol = fields.indexOf("name"), extCol = fields.indexOf("ext"), folderCol = fields.indexOf("folder");
  // Every name in lower case, one per line, with where each begins, and the folders in lower
  // case: made once, when the search box is first used or the page is idle.
  let haystack = null;
  const makeHaystack = () => {
    if (haystack) return haystack;
    const low = new Array(nameCol >= 0 ? n : 0), starts = new Int32Array(low.length + 1);
    let at = 0;
    for (let i = 0; i < low.length; i++) {
      const ext = extCol >= 0 ? cols[extCol][i] : "";
      low[i] = (ext ? cols[nameCol][i] + "." + ext : cols[nameCol][i]).toLowerCase();
      starts[i] = at;
      at += low[i].length + 1;
    }
    starts[low.length] = at;
    return (haystack = { names: low.join("\n"), starts, folders: folders.map((f) => f.toLowerCase()) });
  };
  const matches = (q) => {
    const { names, starts, folders: lowFolders } = makeHaystack();
    const hit = new Uint8Array(n);
    const rows = starts.length - 1;
    let row = 0;
    for (let p = names.indexOf(q); p >= 0 && row < rows; p = names.indexOf(q, starts[row + 1])) {
      while (starts[row + 1] <= p) row++;
      hit[row] = 1;
    }
    if (folderCol >= 0) {
      const inFolder = new Uint8Array(lowFolders.length);
      lowFolders.forEach((f, k) => { inFolder[k] = f.indexOf(q) >= 0 ? 1 : 0; });
      const f = cols[folderCol];
      for (let i = 0; i < n; i++) hit[i] |= inFolder[f[i]];
    }
    return hit;
  };

  // --- the view ---------------------------------------------------------------------------
  let order = null;  // rows in the chosen order (null: the list's own)
  let hit = null;    // rows that hold the typed text (null: no text typed)
  let view = null;   // what the table shows
  const refreshView = () => {
    if (!hit) { view = order; return; }
    const from = order, out = [];
    const len = from ? from.length : n;
    for (let j = 0; j < len; j++) {
      const i = from ? from[j] : j;
      if (hit[i]) out.push(i);
    }
    view = Int32Array.from(out);
  };
  const shown = () => (view ? view.length : n);
  const rowAt = (j) => (view ? view[j] : j);

  // Many rows leave at once, with their body: one at a time, each would make the browser
  // look again at the rows after it (seconds for 5,000 rows).
  let body = null;
  const newBody = () => {
    const old = table.tBodies[0];
    body = document.createElement("tbody");
    table.replaceChild(body, old);
  };
  newBody();
  table.classList.add("js");

  const fillRow = (tr, j) => {
    const i = rowAt(j);
    tr.className = j % 2 ? "z" : "";
    for (let c = 0; c < nf; c++) {
      const td = tr.cells[c], text = cellText(c, i);
      if (td.textContent !== text) td.textContent = text;
      if (td.title !== text && (fields[c] === "name" || fields[c] === "folder")) td.title = text;
    }
  };
  const newRow = () => {
    const tr = document.createElement("tr");
    for (let c = 0; c < nf; c++) tr.appendChild(document.createElement("td"));
    return tr;
  };

  // Every row, for paper: small lists print whole.
  const drawAll = () => {
    const frag = document.createDocumentFragment();
    for (let j = 0; j < shown(); j++) {
      const tr = newRow();
      fillRow(tr, j);
      frag.appendChild(tr);
    }
    body.replaceChildren(frag);
  };

  // Large lists: the rows in view between two spacers that give the table its full height.
  // Browsers cap an element's height (about 33 million pixels in Chromium, fewer elsewhere):
  // past kMaxHeight the scroll bar maps onto the rows instead of one pixel per pixel.
  // (velloraMaxHeight lets a test try that with fewer rows.)
  const kMaxHeight = Math.min(8000000, window.velloraMaxHeight || Infinity), kMargin = 8;
  let rowHeight = 21;
  const spacer = () => {
    const tr = document.createElement("tr"), td = document.createElement("td");
    tr.className = "spazio";
    td.colSpan = nf;
    tr.appendChild(td);
    return tr;
  };
  const above = spacer(), below = spacer(), pool = [];
  const drawVisible = () => {
    const total = shown(), headH = table.tHead.getBoundingClientRect().height;
    const box = body.getBoundingClientRect(), top = box.top;
    const y0 = Math.max(0, headH - top), y1 = Math.max(y0, window.innerHeight - top);
    const inView = Math.ceil((y1 - y0) / rowHeight) + 1;
    const height = Math.min(total * rowHeight, kMaxHeight);
    let first, pad, last;
    if (total * rowHeight <= kMaxHeight) {
      first = Math.max(0, Math.floor(y0 / rowHeight) - kMargin);
      pad = first * rowHeight;
      last = Math.min(total, first + inView + 2 * kMargin);
    } else {
      // The share of the scroll bar gone by is the share of the rows gone by. At the end of
      // the page the last rows sit at the table's bottom, above what follows it; a row above
      // the first fills what the header does not cover. Rows never reach past the table's
      // height, so the page keeps its length while it scrolls.
      const after = document.documentElement.scrollHeight - (window.scrollY + box.bottom);
      const seen = Math.max(rowHeight, window.innerHeight - headH - after);
      const fit = Math.max(1, Math.floor(seen / rowHeight));
      const f = Math.min(1, y0 / Math.max(1, height - seen));
      const top0 = Math.round(f * Math.max(0, total - fit));
      const pad0 = Math.min(height - fit * rowHeight, y0 + f * Math.max(0, seen - fit * rowHeight));
      first = Math.max(0, top0 - 1);
      pad = Math.max(0, pad0 - (top0 - first) * rowHeight);
      last = Math.min(total, top0 + inView + kMargin, top0 + Math.floor((height - pad0) / rowHeight + 1e-6));
    }
    while (pool.length < last - first) pool.push(newRow());
    const rows = pool.slice(0, Math.max(0, last - first));
    rows.forEach((tr, k) => fillRow(tr, first + k));
    above.firstChild.style.height = pad + "px";
    below.firstChild.style.height = Math.max(0, height - pad - rows.length * rowHeight) + "px";
    body.replaceChildren(above, ...rows, below);
    if (rows.length) {
      const h = rows[0].getBoundingClientRect().height;
      if (h > 0 && Math.abs(h - rowHeight) > 0.01) {
        rowHeight = h;
        drawVisible();
      }
    }
  };

  // Column widths are set once from the longest texts, so they do not jump while scrolling.
  const fixWidths = () => {
    const probe = document.createElement("canvas").getContext("2d");
    const cell = body.querySelector("tr:not(.spazio) td") || table.tHead.rows[0].cells[0];
    const style = getComputedStyle(cell);
    const pad = parseFloat(style.paddingLeft) + parseFloat(style.paddingRight) + 2;
    const group = document.createElement("colgroup");
    let sum = 0;
    for (let c = 0; c < nf; c++) {
      const th = table.tHead.rows[0].cells[c];
      probe.font = getComputedStyle(th).font;
      let w = probe.measureText(th.textContent + " \u25BC").width;
      probe.font = style.font;
      for (const t of widest(c)) w = Math.max(w, probe.measureText(t).width);
      w = Math.min(Math.ceil(w + pad), 1000);
      const col = document.createElement("col");
      col.style.width = w + "px";
      group.appendChild(col);
      sum += w;
    }
    table.insertBefore(group, table.firstChild);
    table.style.width = sum + "px";
  };
  // The texts of a column that may be its widest: the longest few dozen, measured later.
  const widest = (c) => {
    const v = cols[c];
    if (fields[c] === "size") {
      let max = 0;
      for (let i = 0; i < n; i++) if (v[i] > max) max = v[i];
      return [grouped(String(max).replace(/\d/g, "8"))];
    }
    if (fields[c] === "date") return [dateText(0).replace(/\d/g, "8")];
    const texts = fields[c] === "folder" ? folders : v;
    let longest = [], floor = 0;
    for (let i = 0; i < texts.length; i++) {
      if (texts[i].length < floor) continue;
      longest.push(texts[i]);
      if (longest.length >= 64) {
        longest.sort((a, b) => b.length - a.length);
        longest.length = 32;
        floor = longest[31].length;
      }
    }
    return longest;
  };

  // --- the controls -----------------------------------------------------------------------
  const bar = document.createElement("div");
  bar.id = "cerca";
  const input = document.createElement("input");
  input.type = "search";
  input.placeholder = "Cerca nel nome o nella cartella";
  input.setAttribute("aria-label", input.placeholder);
  const status = document.createElement("span");
  status.id = "conta";
  status.setAttribute("aria-live", "polite");
  bar.append(input, status);
  table.parentNode.insertBefore(bar, table);

  const redraw = () => {
    status.textContent = (hit ? count(shown()) + " di " : "") + count(n) + " file";
    drawVisible();
  };
  const toTop = () => {
    const top = table.getBoundingClientRect().top;
    if (top < 0) window.scrollBy(0, top);
  };

  const heads = Array.from(table.tHead.rows[0].cells);
  heads.forEach((th, c) => {
    th.tabIndex = 0;
    const sort = () => {
      const up = th.getAttribute("aria-sort") !== "ascending";
      heads.forEach((x) => x.removeAttribute("aria-sort"));
      th.setAttribute("aria-sort", up ? "ascending" : "descending");
      order = sortedOrder(c, up);
      refreshView();
      toTop();
      redraw();
    };
    th.addEventListener("click", sort);
    th.addEventListener("keydown", (e) => {
      if (e.key === "Enter" || e.key === " ") { e.preventDefault(); sort(); }
    });
  });

  let pending = 0;
  input.addEventListener("input", () => {
    if (pending) return;
    pending = setTimeout(() => {
      pending = 0;
      const q = input.value.toLowerCase();
      hit = q ? matches(q) : null;
      refreshView();
      toTop();
      redraw();
    });
  });
  input.addEventListener("focus", makeHaystack, { once: true });
  if (window.requestIdleCallback) requestIdleCallback(makeHaystack, { timeout: 5000 });
  // Browsers send both once a frame at most, just before drawing it.
  window.addEventListener("scroll", drawVisible, { passive: true });
  window.addEventListener("resize", drawVisible);
  // A small list prints whole, in the order and with the search shown; a large one prints
  // the rows in view (the page says so on paper).
  window.addEventListener("beforeprint", () => { if (conf.table) { table.classList.remove("virtuale"); drawAll(); } });
  window.addEventListener("afterprint", () => {
    if (!table.classList.contains("virtuale")) {
      table.classList.add("virtuale");
      newBody();
      drawVisible();
    }
  });

  table.classList.add("virtuale");
  redraw();
  fixWidths();
  drawVisible();
})();
