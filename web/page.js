// The page around the game: it draws the control model as the desktop window does, fits the
// window to the screen (as one piece, or on an upright phone as a column of its pieces), turns the
// player's presses (mouse, pen or touch) and the timers into the game's events, and answers the
// platform's calls.
"use strict";

// The build this script belongs to, as do the page that loaded it and every file it loads.
const kBuild = "@BUILD@";

const page = {
  win: document.getElementById("window"),
  caption: document.getElementById("caption"),
  client: document.getElementById("client"),
  over: document.getElementById("over"),
  announce: document.getElementById("announce"),
  controls: [],
  named: new Map(), // name -> control
  timers: [{ id: 0 }, { id: 0 }], // each timer's next wake
  clock: [{ read: 0, dropped: 0 }, { read: 0, dropped: 0 }], // each timer's last wake
  drawn: 0, // changes drawn so far
  stacked: new Map(), // container -> controls placed in it so far
  rings: new Map(), // ring -> the number button it marks
  meter: null, // the time bar and its track
  busy: false, // a call into the game is running, perhaps waiting on a box
  ended: false,
  held: false, // the game's clock is held (the page out of sight, or a kept game not yet taken up)
  offering: false, // a kept game waits for the player to take it up
  shown: false, // the window is on the screen
  home: { left: 0, top: 0 }, // the window's place at its own size
  moved: false,
  scale: 1, // the window's, when it stands whole
  column: null, // where each piece stands, when the window stands as a column
  boxes: 0, // boxes shown so far
  newest: kBuild, // the newest build the offline copy holds
  awake: false, // the screen is to stay on
  wakeLock: null,
};

// Values for the game's random draws from the address, for tests that replay a game. Anything
// but up to 10,000 numbers in [0, 1) is refused whole: a draw could otherwise never end. The game
// takes them in single precision, where 0.99999999 is 1.
const kMostQueued = 10000;
function queuedFromAddress(params) {
  if (!params.has("random")) return [];
  const texts = params.get("random").split(",").filter((v) => v !== "");
  const values = texts.map((v) => (/^\s*[0-9.eE+-]+\s*$/.test(v) ? Number(v) : NaN));
  const drawable = (v) => Number.isFinite(v) && v >= 0 && Math.fround(v) < 1;
  if (values.length <= kMostQueued && values.every(drawable))
    return values;
  console.warn("kazuroi: ?random= is refused (up to 10000 numbers in [0, 1)); the game draws its own");
  return [];
}
const params = new URLSearchParams(location.search);
const queued = queuedFromAddress(params);

// The control model's kinds, in the game's own order.
const Type = { Frame: 0, Button: 1, Label: 2, Shape: 3, TextBox: 4 };
const Look = { Standard: 0, Graphical: 1, Flat: 2, Transparent: 3, Ring: 4, Filled: 5 };
const Align = ["left", "right", "center"];

// What a screen reader is told beyond each control's own text: the level as a number, the
// verdict as it shows; the stage clear's shadow copy of its text is not read.
const kLevel = "lblレベル";
const kVerdict = "lbl正誤";
const kShadow = "lblステージクリアs";

// 0x00BBGGRR, or with the top bit set a system colour, as the desktop window shows it.
const system = { 5: "#ffffff", 8: "#000000", 15: "#efefef", 16: "#9f9f9f", 18: "#000000" };
function colour(value) {
  if (value < 0) return system[value & 0xff] || system[15];
  const hex = (n) => n.toString(16).padStart(2, "0");
  return "#" + hex(value & 0xff) + hex((value >> 8) & 0xff) + hex((value >> 16) & 0xff);
}

// Runs one event of the game, unless another is still running (a box is open): a tick that
// falls due meanwhile is dropped, as the desktop window drops it.
async function dispatch(name, args) {
  if (page.busy || page.ended) return;
  page.busy = true;
  try {
    await Module.ccall(name, null, args.map(() => "number"), args, { async: true });
  } finally {
    page.busy = false;
  }
  holdClock();
}

// The game's clock runs only while the page is in sight and the game is being played: a phone
// call or another app stops it, and it runs on from where it stood when the page is back. The
// game is told between its events, never while one waits on a box.
function holdClock() {
  const hold = document.visibilityState !== "visible" || page.offering;
  if (hold === page.held || page.busy || page.ended || !page.shown) return;
  page.held = hold;
  Module.ccall(hold ? "kazuroi_pause" : "kazuroi_resume", null, [], []);
}
document.addEventListener("visibilitychange", holdClock);

// Narrows a text that its control cannot hold whole, as the desktop window does. Only a window
// on the screen can be measured.
function fit(control) {
  const text = control.text;
  if (!page.shown || !text || control.el.style.display === "none") return;
  text.style.transform = "";
  const room = control.room();
  const width = text.offsetWidth;
  const centred = text.classList.contains("center") ? "translateX(-50%) " : "";
  const scale = width > room && room > 0 ? `scaleX(${Math.max(0.5, room / width)})` : "";
  text.style.transform = centred + scale;
}

// A frame's border runs through the middle of its caption's line (round its box, where a phone's
// layout gives it one).
function fitText(c) {
  if (!c.text) return;
  if (c.boxed) placePiece(c);
  else if (c.border) c.border.style.top = c.text.textContent ? `${Math.floor(c.text.offsetHeight / 2)}px` : "0";
  fit(c);
}

function fitAll() {
  page.controls.forEach(fitText);
}

function makeElement(type, tabIndex) {
  if (type === Type.Button) {
    const button = document.createElement("button");
    button.type = "button";
    button.tabIndex = tabIndex >= 0 ? tabIndex : -1;
    return button;
  }
  if (type === Type.TextBox) {
    // It lies below the client area: never seen, so neither read nor reached by Tab.
    const box = document.createElement("textarea");
    box.readOnly = true;
    box.inert = true;
    box.setAttribute("aria-hidden", "true");
    return box;
  }
  return document.createElement("div");
}

// What a control is beyond its element: a frame's border, a shape's kind, a label's text anchor.
function dress(control, name, alignment) {
  const { el, type, look } = control;
  if (type === Type.Frame) {
    el.classList.add(look === Look.Flat ? "panel" : "frame");
    if (look !== Look.Flat) {
      // A screen reader hears a bordered frame as a group, named by its caption or its role.
      el.setAttribute("role", "group");
      control.group = name.slice(3);
      el.setAttribute("aria-label", control.group);
      control.border = document.createElement("div");
      control.border.className = "border";
      el.append(control.border);
    }
  } else if (type === Type.Shape) {
    el.classList.add(look === Look.Ring ? "ring" : "rect");
    if (look === Look.Ring) el.setAttribute("aria-hidden", "true"); // told by its button
  } else if (type === Type.Label) {
    el.classList.add("label");
    if (name === kShadow) el.setAttribute("aria-hidden", "true");
  }
  if (type !== Type.Frame && type !== Type.Button && type !== Type.Label) return;
  control.text = document.createElement("span");
  control.text.className = "text";
  if (type === Type.Label) {
    // Anchored at its aligned side, so that a text too wide for the label is narrowed toward
    // that side and stays inside.
    control.text.classList.add(Align[alignment]);
    control.text.style.transformOrigin = Align[alignment];
  }
  el.append(control.text);
  if (name === kLevel) {
    control.text.setAttribute("aria-hidden", "true");
    control.reader = document.createElement("span");
    control.reader.className = "reader";
    el.append(control.reader);
  }
  const inside = type === Type.Button ? 6 : type === Type.Frame ? 16 : 2;
  control.room = () => el.clientWidth - inside;
}

// Any press of a number or operator button, by mouse, pen or finger, is the game's MouseDown;
// the keyboard never presses these. 次の問題 and やり直す answer a click, a tap included.
function listen(el, index, events) {
  if (events & 1) {
    el.addEventListener("pointerdown", (event) => {
      // The press takes the focus first, as a click does on the desktop; the game may then
      // move it, and the browser must not move it back.
      event.preventDefault();
      el.focus({ preventScroll: true });
      dispatch("kazuroi_mouse_down", [index]);
    });
  }
  if (events & 2) el.addEventListener("click", () => dispatch("kazuroi_click", [index]));
}

function createControl(index, name, type, container, look, alignment, font, points, tabIndex, events) {
  const parent = container < 0 ? page.client : page.controls[container].el;
  const el = makeElement(type, tabIndex);
  el.className = "control";
  el.dataset.control = name;
  const control = { el, name, type, look, text: null, room: () => 0, left: 0, top: 0, width: 0, height: 0 };
  dress(control, name, alignment);
  el.style.font = `${font ? Math.round((points * 96) / 72) : 12}px "KazuroiGothic", sans-serif`;
  // Each container's children come front to back; the stacking stays so whatever order the
  // page's elements are put in.
  const count = page.stacked.get(parent) || 0;
  page.stacked.set(parent, count + 1);
  el.style.zIndex = String(100 - count);
  listen(el, index, events);
  parent.append(el);
  page.controls[index] = control;
  page.named.set(name, control);
}

function markWith(button, ring) {
  page.rings.set(page.controls[ring], page.controls[button]);
  page.controls[button].el.setAttribute("aria-pressed", "false");
}

function meter(bar, track) {
  page.meter = { bar: page.controls[bar], track: page.controls[track] };
  const el = page.meter.bar.el;
  el.setAttribute("role", "progressbar");
  el.setAttribute("aria-label", "残り時間");
  el.setAttribute("aria-valuemin", "0");
  el.setAttribute("aria-valuemax", "100");
  page.meter.track.el.setAttribute("aria-hidden", "true");
}

// The page's element order is the order a screen reader reads in: within each container row by
// row as the window shows its controls, top to bottom and then left to right.
function orderForReaders() {
  const containers = [page.client, ...page.controls.filter((c) => c.type === Type.Frame).map((c) => c.el)];
  for (const container of containers) {
    page.controls
      .filter((c) => c.el.parentElement === container)
      .sort((a, b) => a.top - b.top || a.left - b.left)
      .forEach((c) => container.append(c.el));
  }
}

// Sets a style only when it changes: a write of the same value still costs the browser work.
function setStyle(el, name, value) {
  if (el.style[name] !== value) el.style[name] = value;
}

function showColours(c, back, fore) {
  const el = c.el;
  if (c.type === Type.Shape) {
    if (c.look === Look.Filled) setStyle(el, "backgroundColor", colour(back));
  } else if (c.type === Type.Button) {
    if (c.look === Look.Graphical) setStyle(el, "background", back < 0 ? "" : colour(back));
  } else if (c.type === Type.Label) {
    setStyle(el, "backgroundColor", c.look === Look.Transparent ? "transparent" : colour(back));
    setStyle(el, "color", colour(fore));
  } else if (c.type === Type.Frame) {
    if (!c.boxed) setStyle(el, "backgroundColor", colour(back)); // a box's own is the screen's
    setStyle(el, "color", colour(fore));
  }
}

// What a screen reader hears: a number's selection from its ring, the time left from the bar's
// width out of its track's, the level as a number, and the verdict when it shows.
function tellReaders(c, visible, text) {
  const button = page.rings.get(c);
  if (button) button.el.setAttribute("aria-pressed", String(visible));
  if (c.reader) c.reader.textContent = `レベル ${[...text].filter((s) => s === "★").length}`;
  if (c.name === kVerdict) {
    const said = visible ? text : "";
    if (page.announce.textContent !== said) page.announce.textContent = said;
  }
  if (!page.meter || (c !== page.meter.bar && c !== page.meter.track)) return;
  const percent = Math.round((100 * page.meter.bar.width) / Math.max(1, page.meter.track.width));
  if (percent === page.meter.percent) return; // the bar moves every tick, the value seldom
  page.meter.percent = percent;
  page.meter.bar.el.setAttribute("aria-valuenow", String(percent));
  page.meter.bar.el.setAttribute("aria-valuetext", `${percent}%`);
}

function showControl(index, left, top, width, height, text, enabled, visible, back, fore) {
  const c = page.controls[index];
  page.drawn += 1;
  const el = c.el;
  Object.assign(c, { left, top, width, height, back });
  setStyle(el, "left", `${left}px`);
  setStyle(el, "top", `${top}px`);
  setStyle(el, "width", `${width}px`);
  setStyle(el, "height", `${height}px`);
  setStyle(el, "display", visible ? "" : "none");
  if (c.type === Type.Button && el.disabled !== !enabled) el.disabled = !enabled;
  if (page.column) placePiece(c);
  showColours(c, back, fore);
  tellReaders(c, visible, text);
  if (!c.text) return;
  if (c.text.textContent !== text || !c.fitted) {
    c.text.textContent = text;
    if (c.group !== undefined) el.setAttribute("aria-label", text || c.group);
    if (c.border) c.text.style.backgroundColor = colour(back);
    fitText(c);
  }
  c.fitted = page.shown && visible;
}

// A timer ticks at its interval, but the page wakes less often and then delivers the ticks that
// fell due: a browser's wake, and the frame it then draws, cost more than the game's tick. While
// the ticks change what is drawn (the bar growing, fading or blinking, the panel falling) the
// page wakes every 30 ms, or at the timer's interval if that is longer; while they change nothing
// on the screen (the clock draining between two pixels), every 200 ms. A tick's remainder is kept
// for the next wake. Ticks that fall due while a box is open, or more than two resting wakes'
// worth late, are dropped, as on the desktop.
const kWake = 30;
const kRestingWake = 200;
function syncTimer(timer, interval, clock) {
  clearTimeout(page.timers[timer].id);
  page.timers[timer] = { id: 0 };
  if (clock) keepAwake(interval > 0);
  if (interval <= 0) return;
  const ticking = page.timers[timer];
  const most = Math.ceil((2 * Math.max(kRestingWake, interval)) / interval);
  let last = performance.now();
  const wake = async () => {
    const now = performance.now();
    const due = Math.floor((now - last) / interval);
    const drawn = page.drawn;
    if (due > 0) {
      const sent = Math.min(due, most);
      last += due * interval;
      // What the clock read, and the ticks it let fall in all, that the ticks sent can be
      // checked against the clock itself.
      page.clock[timer] = { read: now, dropped: page.clock[timer].dropped + due - sent };
      await dispatch("kazuroi_ticks", [timer, sent]);
    }
    if (page.timers[timer] !== ticking) return; // the game stopped or reset this timer meanwhile
    ticking.id = setTimeout(wake, Math.max(interval, page.drawn !== drawn ? kWake : kRestingWake));
  };
  ticking.id = setTimeout(wake, Math.max(interval, kWake));
}

// While the clock runs the screen stays on, where the browser can keep it so: a phone would dim
// it in the middle of a question. A hidden page loses the lock, and takes it again when shown.
async function keepAwake(on) {
  page.awake = on;
  const wanted = on && document.visibilityState === "visible";
  if (!wanted && page.wakeLock) {
    const lock = page.wakeLock;
    page.wakeLock = null;
    lock.release().catch(() => {});
  }
  if (!wanted || page.wakeLock || !("wakeLock" in navigator)) return;
  page.wakeLock = "asking";
  try {
    const lock = await navigator.wakeLock.request("screen");
    if (page.wakeLock !== "asking" || !page.awake) {
      lock.release().catch(() => {});
      return;
    }
    page.wakeLock = lock;
    lock.addEventListener("release", () => {
      if (page.wakeLock === lock) page.wakeLock = null;
    });
  } catch (e) {
    if (page.wakeLock === "asking") page.wakeLock = null; // refused: the screen may dim
  }
}
document.addEventListener("visibilitychange", () => keepAwake(page.awake));

// The part of the page the player sees, in CSS pixels of the page: a pinch-zoom, were one to
// happen, moves and shrinks it.
function screenSize() {
  const view = window.visualViewport;
  return view
    ? { left: view.offsetLeft, top: view.offsetTop, width: view.width, height: view.height }
    : { left: 0, top: 0, width: document.documentElement.clientWidth, height: document.documentElement.clientHeight };
}

// The window's own size, from its style as the page first has it: before the start-up box it is
// not laid out, so that nothing of it asks for a font the box does not need; and the column
// changes its style but not the size the game knows.
function styledSize() {
  const px = (el, property) => parseFloat(getComputedStyle(el)[property]) || 0;
  const border = px(page.win, "borderTopWidth");
  return {
    width: px(page.client, "width") + 2 * border,
    height: px(page.caption, "height") + px(page.client, "height") + 2 * border,
  };
}
const kWindowSize = styledSize();

const coarsePointer = matchMedia("(pointer: coarse)");
const isTouch = () => coarsePointer.matches;

// How the window fits the screen: as one piece at its own size where it fits and a mouse points,
// else scaled to the screen (on a touch screen to fill it, so that fingers find the buttons); and
// on a phone, upright or held sideways and too low for the window, as its pieces laid out anew
// over the whole screen. Nothing stands under a notch or a home bar: the screen's safe area is
// what the window may take.
const kMargin = 8;
const kSideways = 500; // a touch screen held sideways lower than this is a phone's
function fitWindow() {
  const screen = safeArea(screenSize());
  const touch = isTouch();
  document.body.classList.toggle("touch", touch);
  const { width, height } = kWindowSize;
  const most = Math.min((screen.width - 2 * kMargin) / width, (screen.height - 2 * kMargin) / height);
  const upright = touch && screen.height > screen.width && most < 1;
  const sideways = touch && screen.width >= screen.height && screen.height < kSideways && most < 1.2;
  page.win.classList.toggle("column", upright || sideways);
  page.win.classList.toggle("sideways", sideways);
  if (upright || sideways) {
    standAsPieces(screen, sideways);
  } else {
    standWhole(screen, touch ? most : Math.min(1, most), touch);
  }
  document.querySelectorAll('dialog[data-control="msgbox"]').forEach(placeBox);
}

// The safe area's insets, as the browser gives them to CSS (a probe of its own).
const safeProbe = document.createElement("div");
safeProbe.style.cssText = "position:fixed;visibility:hidden;pointer-events:none;" +
  "padding:env(safe-area-inset-top) env(safe-area-inset-right) env(safe-area-inset-bottom) env(safe-area-inset-left)";
document.body.append(safeProbe);
function safeArea(screen) {
  const style = getComputedStyle(safeProbe);
  const [top, right, bottom, left] = ["Top", "Right", "Bottom", "Left"].map((side) => parseFloat(style[`padding${side}`]) || 0);
  return { left: screen.left + left, top: screen.top + top,
           width: Math.max(1, screen.width - left - right), height: Math.max(1, screen.height - top - bottom) };
}

function standWhole(screen, scale, touch) {
  page.scale = scale;
  for (const el of [page.win, page.client]) {
    setStyle(el, "width", "");
    setStyle(el, "height", "");
  }
  if (page.column) page.controls.forEach(unplace);
  page.column = null;
  const { width, height } = kWindowSize;
  if (page.scale === 1 && !touch) {
    placeAtHome();
  } else {
    setStyle(page.win, "left", `${Math.round(screen.left + (screen.width - width * page.scale) / 2)}px`);
    setStyle(page.win, "top", `${Math.round(screen.top + (screen.height - height * page.scale) / 2)}px`);
  }
  setStyle(page.win, "transform", page.scale === 1 ? "" : `scale(${page.scale})`);
  page.win.style.setProperty("--line", lineAt(page.scale));
  page.caption.classList.toggle("fixed", page.scale !== 1 || touch);
}

// The window's pieces laid out anew on a phone's screen, below the caption bar. Each piece is
// drawn as the window draws it, its inside scaled as one; a frame's box may be larger than what
// it holds needs, and the room it does not need stays empty; only where the pieces stand
// changes, and only on the screen: the game's model keeps the layout.
const kPieces = {
  title: "lblタイトル", stage: "lblステージ", question: "frm問題", operators: "frm演算子",
  side: ["cmd出題", "cmdやり直し", "shp制限時間表示枠"], bar: "shp制限時間残り", answer: "frm答案",
  panel: "frmステージクリア", unseen: "Text1",
};
const kGap = 8;
const kPad = 8; // round what a frame holds, inside its box
const kThumb = 44; // the least a finger presses surely, in CSS px
const kLargest = 1.6;

function standAsPieces(screen, sideways) {
  page.scale = 1;
  setStyle(page.win, "transform", "");
  page.win.style.setProperty("--line", "1px");
  setStyle(page.win, "left", `${Math.round(screen.left)}px`);
  setStyle(page.win, "top", `${Math.round(screen.top)}px`);
  setStyle(page.win, "width", `${Math.floor(screen.width)}px`);
  setStyle(page.win, "height", `${Math.floor(screen.height)}px`);
  page.caption.classList.add("fixed");
  const width = Math.floor(screen.width);
  const height = Math.floor(screen.height) - page.caption.offsetHeight;
  setStyle(page.client, "width", `${width}px`);
  setStyle(page.client, "height", `${height}px`);
  if (!page.named.has(kPieces.answer)) return; // the pieces are not made yet
  page.column = (sideways ? sidewaysPlaces : uprightPlaces)(width, height);
  page.controls.forEach(placePiece);
}

// What a piece shows, in its own pixels at its own size: a frame its contents (every control in
// it, shown or not, so that nothing moves as play goes on) below its caption; any other piece
// itself.
function contentOf(c) {
  if (c.type !== Type.Frame || c.look === Look.Flat) return { x: 0, y: 0, w: c.width, h: c.height, caption: 0 };
  let [x0, y0, x1, y1] = [Infinity, Infinity, -Infinity, -Infinity];
  for (const kid of page.controls.filter((k) => k.el.parentElement === c.el)) {
    [x0, y0] = [Math.min(x0, kid.left), Math.min(y0, kid.top)];
    [x1, y1] = [Math.max(x1, kid.left + kid.width), Math.max(y1, kid.top + kid.height)];
  }
  const caption = c.text && c.text.textContent ? c.text.offsetHeight : 0;
  return { x: x0, y: y0, w: x1 - x0, h: y1 - y0, caption };
}

// How tall a piece stands at scale K: a frame with its caption and padding.
function heightAt(c, k) {
  const box = contentOf(c);
  return c.type === Type.Frame ? (box.caption + box.h) * k + 2 * kPad : box.h * k;
}

// The operators and, beside them, 次の問題, やり直す and the time bar one under another, in WIDTH:
// the side's buttons never lower than a thumb, the operators as large as what is left allows.
function operatorsRow(width, largest) {
  const ops = contentOf(piece("operators")).w;
  const side = kPieces.side.map((name) => page.named.get(name));
  const sideWidth = Math.max(...side.map((c) => c.width));
  const sideLeast = kThumb / Math.min(side[0].height, side[1].height);
  const even = (width - kGap - 2 * kPad) / (ops + sideWidth);
  const kSide = Math.min(largest, Math.max(sideLeast, even));
  const kOps = Math.min(largest, (width - kGap - 2 * kPad - sideWidth * kSide) / ops);
  return { kOps, kSide, opsWidth: ops * kOps + 2 * kPad, sideWidth: sideWidth * kSide,
           height: Math.max(heightAt(piece("operators"), kOps), side.reduce((sum, c) => sum + c.height, 0) * kSide + 2 * kGap) };
}

function piece(key) {
  return page.named.get(kPieces[key]);
}

// Places the row of the operators and the side column at LEFT, TOP, WIDTH wide and HEIGHT high:
// the side column's first item level with the operators' top, its last with their bottom.
function placeOperators(at, row, left, top, width, height) {
  at(piece("operators"), { x: left, y: top, w: row.opsWidth, h: height }, row.kOps);
  const side = kPieces.side.map((name) => page.named.get(name));
  const stacked = side.reduce((sum, c) => sum + c.height * row.kSide, 0);
  const between = (height - stacked) / (side.length - 1);
  const x = left + row.opsWidth + kGap + (width - row.opsWidth - kGap - row.sideWidth) / 2;
  let y = top;
  for (const c of side) {
    at(c, { x, y }, row.kSide);
    y += c.height * row.kSide + between;
  }
}

// The places every layout shares: the bar on its track, the panel crossing the whole screen (its
// place in the window mapped onto the screen, the window's middle onto the screen's), and the
// text box still out of sight.
function sharedPlaces(places, width, height) {
  places.set(kPieces.bar, places.get(kPieces.side[2]));
  const panel = piece("panel");
  places.set(panel.name, { x: kGap, k: (width - 2 * kGap) / panel.width,
                           crossing: { height, ratio: height / kWindowSize.height } });
  places.set(kPieces.unseen, { x: 0, y: height + 1, k: 1 });
  return places;
}

// Upright: below the caption bar, the title and the stage (in two rows where one cannot hold
// them), the question, the operators with the side column, and the answer, every box as wide as
// the screen allows. Each is as large as the width lets it be, then all alike smaller where the
// height is short; what height is left comes between the rows, and round them.
function uprightPlaces(width, height) {
  const W = width - 2 * kGap;
  const [title, stage, question, answer] = ["title", "stage", "question", "answer"].map(piece);
  const across = (c) => Math.min(kLargest, (W - 2 * kPad) / contentOf(c).w);
  const rows = (f) => {
    const kTitle = Math.min(kLargest, (W - kGap) / (title.width + stage.width), W / title.width) * f;
    const oneRow = (title.width + stage.width) * kTitle + kGap <= W;
    const kQ = across(question) * f, kA = across(answer) * f;
    const ops = operatorsRow(W, kLargest * f);
    const titleHeight = oneRow ? Math.max(title.height, stage.height) * kTitle
                               : (title.height + stage.height) * kTitle + kGap;
    return { kTitle, oneRow, kQ, kA, ops, heights: [titleHeight, heightAt(question, kQ), ops.height, heightAt(answer, kA)] };
  };
  const tall = (l) => l.heights.reduce((sum, h) => sum + h, 0) + 5 * kGap;
  // As large as the width allows, or else the largest that the height holds.
  let layout = rows(1);
  if (tall(layout) > height) {
    let [low, high] = [0.3, 1];
    for (let i = 0; i < 20; ++i) {
      const f = (low + high) / 2;
      if (tall(rows(f)) <= height) low = f;
      else high = f;
    }
    layout = rows(low);
  }
  const spare = Math.max(0, height - tall(layout));
  const gap = kGap + Math.min(3 * kGap, spare / 5);
  const places = new Map();
  const at = (c, box, k) => places.set(c.name, { box, k });
  let y = gap + Math.max(0, spare - 5 * (gap - kGap)) / 2;
  const [titleHeight, qHeight, opsHeight, aHeight] = layout.heights;
  if (layout.oneRow) {
    at(title, { x: kGap, y }, layout.kTitle);
    at(stage, { x: kGap + W - stage.width * layout.kTitle, y }, layout.kTitle);
  } else {
    at(title, { x: kGap, y }, layout.kTitle);
    at(stage, { x: kGap + W - stage.width * layout.kTitle, y: y + title.height * layout.kTitle + kGap }, layout.kTitle);
  }
  y += titleHeight + gap;
  at(question, { x: kGap, y, w: W, h: qHeight }, layout.kQ);
  y += qHeight + gap;
  placeOperators(at, layout.ops, kGap, y, W, opsHeight);
  y += opsHeight + gap;
  at(answer, { x: kGap, y, w: W, h: aHeight }, layout.kA);
  return sharedPlaces(places, width, height);
}

// Sideways: the question over the answer at the left, the operators and the side column at the
// right, and the title and the stage across the top or at the top of the right, whichever gives
// the thumb more.
function sidewaysPlaces(width, height) {
  const [title, stage, question, answer] = ["title", "stage", "question", "answer"].map(piece);
  const left = Math.max(contentOf(question).w, contentOf(answer).w);
  const stack = (k) => heightAt(question, k) + heightAt(answer, k) + kGap;
  const layout = (titleAcross) => {
    const kTitle = Math.min(1, (width - 3 * kGap) / (title.width + stage.width));
    const titleHeight = Math.max(title.height, stage.height) * kTitle;
    const room = height - 2 * kGap - (titleAcross ? titleHeight + kGap : 0);
    let kLeft = Math.min(kLargest, (room - 4 * kPad - kGap) / (contentOf(question).h + contentOf(question).caption + contentOf(answer).h));
    while (kLeft > 0.3 && stack(kLeft) > room) kLeft *= 0.98;
    const leftWidth = left * kLeft + 2 * kPad;
    const rightWidth = width - leftWidth - 3 * kGap;
    const rightRoom = height - 2 * kGap - (titleAcross ? titleHeight + kGap : (title.height + stage.height) * Math.min(kTitle, rightWidth / title.width) + 2 * kGap);
    let ops = operatorsRow(rightWidth, kLargest);
    for (let f = 0.98; ops.height > rightRoom && f > 0.3; f -= 0.02) ops = operatorsRow(rightWidth, kLargest * f);
    const least = Math.min(57 * kLeft, 57 * ops.kOps, 37 * ops.kSide);
    return { titleAcross, kTitle, titleHeight, kLeft, leftWidth, rightWidth, ops, least, room };
  };
  const best = [layout(true), layout(false)].sort((a, b) => b.least - a.least)[0];
  const places = new Map();
  const at = (c, box, k) => places.set(c.name, { box, k });
  let top = kGap;
  const rightX = kGap + best.leftWidth + kGap;
  if (best.titleAcross) {
    at(title, { x: kGap, y: top }, best.kTitle);
    at(stage, { x: width - kGap - stage.width * best.kTitle, y: top }, best.kTitle);
    top += best.titleHeight + kGap;
  } else {
    const k = Math.min(best.kTitle, best.rightWidth / title.width);
    at(title, { x: rightX, y: top }, k);
    at(stage, { x: width - kGap - stage.width * k, y: top + title.height * k + kGap }, k);
  }
  const qHeight = heightAt(question, best.kLeft), aHeight = heightAt(answer, best.kLeft);
  const leftTop = top + (height - kGap - top - qHeight - aHeight - kGap) / 2;
  at(question, { x: kGap, y: leftTop, w: best.leftWidth, h: qHeight }, best.kLeft);
  at(answer, { x: kGap, y: leftTop + qHeight + kGap, w: best.leftWidth, h: aHeight }, best.kLeft);
  const rightTop = best.titleAcross ? top : kGap + (title.height + stage.height) * Math.min(best.kTitle, best.rightWidth / title.width) + 2 * kGap;
  const opsTop = rightTop + (height - kGap - rightTop - best.ops.height) / 2;
  placeOperators(at, best.ops, rightX, opsTop, best.rightWidth, best.ops.height);
  return sharedPlaces(places, width, height);
}

// A line a pixel wide on the screen, in the pixels of something drawn at SCALE.
function lineAt(scale) {
  return scale < 1 ? `${(1 / scale).toFixed(3)}px` : "1px";
}

// A piece where the layout puts it: moved and scaled by a transform of its own, a frame's border
// and caption drawn round its box.
function placePiece(c) {
  const at = page.column && page.column.get(c.name);
  if (!at) return;
  c.el.style.setProperty("--line", lineAt(at.k));
  if (at.crossing) {
    const middle = (kWindowSize.height - c.height) / 2;
    const y = (at.crossing.height - c.height * at.k) / 2 + (c.top - middle) * at.crossing.ratio;
    setStyle(c.el, "transform", `translate(${(at.x - c.left).toFixed(2)}px, ${(y - c.top).toFixed(2)}px) scale(${at.k.toFixed(4)})`);
    return;
  }
  if (at.x !== undefined) { // as the window has it, scaled
    setStyle(c.el, "transform", `translate(${(at.x - c.left).toFixed(2)}px, ${(at.y - c.top).toFixed(2)}px) scale(${at.k.toFixed(4)})`);
    return;
  }
  const { box, k } = at;
  let [x, y] = [box.x, box.y]; // where the piece's own top left corner goes
  if (box.w !== undefined && c.border) {
    const content = contentOf(c);
    x = box.x + (box.w - content.w * k) / 2 - content.x * k;
    const band = content.caption * k;
    y = box.y + band + (box.h - band - content.h * k) / 2 - content.y * k;
    // The box in the frame's own pixels, round what it holds.
    const [left, top, w, h] = [(box.x - x) / k, (box.y - y) / k, box.w / k, box.h / k];
    const half = content.caption / 2;
    setStyle(c.border, "left", `${left.toFixed(2)}px`);
    setStyle(c.border, "top", `${(top + half).toFixed(2)}px`);
    setStyle(c.border, "width", `${w.toFixed(2)}px`);
    setStyle(c.border, "height", `${(h - half).toFixed(2)}px`);
    setStyle(c.border, "right", "auto");
    setStyle(c.border, "bottom", "auto");
    setStyle(c.text, "left", `${(left + 8).toFixed(2)}px`);
    setStyle(c.text, "top", `${top.toFixed(2)}px`);
    // The frame's own face is as large as it is at this scale, the box's may be larger: the box
    // carries the face, which the rings invert.
    setStyle(c.el, "backgroundColor", "transparent");
    setStyle(c.border, "backgroundColor", colour(c.back));
    c.boxed = true;
  } else if (box.w !== undefined) {
    x = box.x + (box.w - c.width * k) / 2;
    y = box.y + (box.h - c.height * k) / 2;
  }
  setStyle(c.el, "transform", `translate(${(x - c.left).toFixed(2)}px, ${(y - c.top).toFixed(2)}px) scale(${k.toFixed(4)})`);
}

// A piece back as the window has it.
function unplace(c) {
  setStyle(c.el, "transform", "");
  c.el.style.removeProperty("--line");
  if (!c.boxed) return;
  c.boxed = false;
  for (const name of ["left", "top", "width", "height", "right", "bottom", "backgroundColor"]) setStyle(c.border, name, "");
  setStyle(c.text, "left", "");
  setStyle(c.text, "top", "");
  setStyle(c.el, "backgroundColor", colour(c.back));
  fitText(c);
}

// At its own size the window stays wholly inside the page.
function inside(left, top) {
  const screen = screenSize();
  const size = kWindowSize;
  return {
    left: Math.round(Math.min(Math.max(0, left), Math.max(0, screen.width - size.width))),
    top: Math.round(Math.min(Math.max(0, top), Math.max(0, screen.height - size.height))),
  };
}

function placeAtHome() {
  const at = inside(page.home.left, page.home.top);
  setStyle(page.win, "left", `${at.left}px`);
  setStyle(page.win, "top", `${at.top}px`);
}

// The stored place, kept inside the page where the window shows at its own size; scaled to fit,
// or as a column, the window stands where the screen has room and the stored place is left as it
// was.
function placeWindow(left, top) {
  page.home = { left, top };
  page.win.style.display = "block";
  fitWindow();
  if (page.scale === 1 && !page.caption.classList.contains("fixed")) page.home = inside(left, top);
}

// The window appears with the keyboard's focus on its first button in the tab order, where a
// key does nothing. A game the page kept is shown as it stood, its clock held, and the player
// asked whether to take it up.
function showWindow(text, restored) {
  page.caption.textContent = text;
  orderForReaders();
  fitWindow(); // a column needs the pieces' sizes, which the window now has
  page.win.style.visibility = "visible";
  page.shown = true;
  fitAll();
  const first = tabStops()[0];
  if (first) first.focus({ preventScroll: true });
  // Texts are measured in the page's font, which may still be on its way.
  document.fonts.load('16px "KazuroiGothic"', text).then(fitAll, () => {});
  page.held = restored;
  if (restored) offerKeptGame();
}

// The game left half-way, taken up or begun anew in one tap, in the game's own voice.
async function offerKeptGame() {
  page.offering = true;
  const text = "さっきの続きからやるか？";
  await document.fonts.load('16px "KazuroiGothic"', text).catch(() => {});
  const carryOn = await ask(text, "かずろい", ["続きから", "最初から"]);
  page.offering = false;
  if (carryOn) holdClock();
  else newGame();
}

// Dragging the caption moves the window at its own size, as on the desktop, never out of the
// page; its place is stored on leaving. Scaled to fit, it stays where it is.
page.caption.addEventListener("pointerdown", (event) => {
  if (page.caption.classList.contains("fixed")) return;
  const startX = event.clientX - page.win.offsetLeft;
  const startY = event.clientY - page.win.offsetTop;
  page.caption.setPointerCapture(event.pointerId);
  const move = (e) => {
    page.home = inside(e.clientX - startX, e.clientY - startY);
    placeAtHome();
    page.moved = true;
  };
  page.caption.addEventListener("pointermove", move);
  page.caption.addEventListener("pointerup", () => page.caption.removeEventListener("pointermove", move), { once: true });
});

// A box wholly on the screen, in the middle of what the player sees on a touch screen and of
// the window with a mouse; at the window's scale, but on a touch screen never smaller than its
// own size, so that a thumb can read and answer it.
function placeBox(box) {
  const screen = screenSize();
  const touch = isTouch();
  const room = Math.min((screen.width - 2 * kMargin) / box.offsetWidth, (screen.height - 2 * kMargin) / box.offsetHeight);
  const scale = touch ? Math.max(1, Math.min(page.column ? 1 : page.scale, room)) : page.scale;
  const width = box.offsetWidth * scale;
  const height = box.offsetHeight * scale;
  const area = page.shown && !touch ? page.win.getBoundingClientRect() : screen;
  const left = Math.min(Math.max(screen.left, area.left + (area.width - width) / 2), screen.left + Math.max(0, screen.width - width));
  const top = Math.min(Math.max(screen.top, area.top + (area.height - height) / 2), screen.top + Math.max(0, screen.height - height));
  setStyle(box, "left", `${Math.round(left)}px`);
  setStyle(box, "top", `${Math.round(top)}px`);
  setStyle(box, "transform", scale === 1 ? "" : `scale(${scale})`);
}

// A modal box, named by its title and text for screen readers, with its buttons.
function makeBox(text, title, buttons) {
  const number = ++page.boxes;
  const box = document.createElement("dialog");
  box.dataset.control = "msgbox";
  box.setAttribute("aria-labelledby", `box-title-${number}`);
  box.setAttribute("aria-describedby", `box-text-${number}`);
  const bar = document.createElement("div");
  bar.className = "title";
  bar.id = `box-title-${number}`;
  bar.textContent = title;
  const message = document.createElement("p");
  message.className = "message";
  message.id = `box-text-${number}`;
  message.textContent = text.replace(/\r\n/g, "\n");
  const row = document.createElement("div");
  row.className = "buttons";
  for (const label of buttons) {
    const button = document.createElement("button");
    button.type = "button";
    button.textContent = label;
    row.append(button);
  }
  box.append(bar, message, row);
  return box;
}

// The box waits for the player; its answer resolves the game's call.
function messageBox(text, title, yesNo) {
  return ask(text, title, yesNo ? ["はい", "いいえ"] : ["OK"]);
}

// A modal box with one or two buttons: 1 for the first, 0 for the second. The first box waits
// for its few glyphs, so that it never shows without its text.
async function ask(text, title, labels) {
  const yesNo = labels.length > 1;
  const box = makeBox(text, title, labels);
  await document.fonts.load('16px "KazuroiBox"', title + text).catch(() => {});
  return new Promise((resolve) => {
    let answered = false;
    const answer = (value) => {
      answered = true;
      box.close();
      box.remove();
      resolve(value);
    };
    const [first, second] = box.querySelectorAll("button");
    first.addEventListener("click", () => answer(1));
    if (second) second.addEventListener("click", () => answer(0));
    // Escape closes a box with OK alone, and does nothing to the Yes/No question. The browser
    // closes a box on Escape by itself before the page has had a tap or a click: then the
    // question is asked again, and a box with OK alone is answered.
    box.addEventListener("cancel", (event) => {
      event.preventDefault();
      if (!yesNo) answer(1);
    });
    box.addEventListener("close", () => {
      if (answered) return;
      if (!yesNo) {
        answer(1);
        return;
      }
      box.showModal();
      first.focus();
    });
    document.body.append(box);
    box.showModal();
    placeBox(box);
    new ResizeObserver(() => placeBox(box)).observe(box); // as its text's font comes in
    first.focus();
    if (window.kazuroiFirstBoxAt === undefined) afterFirstBox();
  });
}

// What the page needs only once its first box shows: the rest of the font, and the copy of the
// page kept for playing offline.
function afterFirstBox() {
  window.kazuroiFirstBoxAt = performance.now();
  document.querySelector('link[rel="icon"]').remove();
  for (const [rel, href] of [["manifest", "manifest.webmanifest"], ["icon", "kazuroi-32.png"],
                             ["apple-touch-icon", "kazuroi-192.png"]]) {
    const link = document.createElement("link");
    Object.assign(link, { rel, href });
    document.head.append(link);
  }
  document.fonts.load('16px "KazuroiGothic"', "０").catch(() => {});
  if ("serviceWorker" in navigator && location.protocol !== "file:") keepOfflineCopy();
}

// The offline copy: the worker learns which build this page plays (so that no copy it needs
// goes) and tells of a newer one, which the next new game then plays.
function keepOfflineCopy() {
  const worker = navigator.serviceWorker;
  worker.addEventListener("message", (event) => {
    const said = event.data || {};
    if (said.which && event.ports[0]) event.ports[0].postMessage({ build: kBuild });
    // A page the worker does not answer for (opened past it) plays no build of its copies.
    if (said.newest && worker.controller) page.newest = said.newest;
  });
  worker.startMessages();
  worker.register("sw.js")
    .then(() => worker.ready)
    .then((registration) => registration.active.postMessage({ playing: kBuild }))
    .catch((e) => console.warn("kazuroi: no offline copy:", e.message));
}

// The game is over: the window goes, the game kept for a reload with it, and the page says how
// far the player got (told just after, by gameOver) and offers a new game.
function endProgram() {
  page.ended = true;
  forgetGame();
  page.timers.forEach((t) => clearTimeout(t.id));
  keepAwake(false);
  page.win.style.display = "none";
  page.over.hidden = false;
  page.over.querySelector('[data-page="again"]').focus();
}

// How far the player got, in the game's voice: the last stage played, cleared or with its right
// answers, whether redo was ever pressed, and the title after the Extra Stage. Said as one line
// too, for the player to send.
function gameOver(stage, solved, cleared, redoUsed, mastered) {
  const reached = cleared ? `${stage} クリア` : `${stage}：${solved}問正解`;
  const redo = redoUsed ? "やり直しあり" : "やり直しなし";
  const won = mastered ? "かずろいマスターの称号" : "";
  page.over.querySelector("h1").textContent = mastered ? "かずろいマスターや！" : "おしまいや。";
  page.over.querySelector(".reached").textContent = reached;
  page.over.querySelector(".redo").textContent = redo;
  page.over.querySelector(".title-won").textContent = won;
  page.over.querySelector(".sent").textContent = "";
  page.result = `かずろい：${[reached, redo, won].filter(Boolean).join("・")}`;
}

// The result goes where the player sends it (the phone's own share sheet), or is copied; the
// page sends it nowhere itself.
async function sendResult() {
  const address = location.origin + location.pathname;
  const sent = page.over.querySelector(".sent");
  try {
    if (navigator.share) {
      await navigator.share({ text: page.result, url: address });
      return;
    }
    await navigator.clipboard.writeText(`${page.result} ${address}`);
    sent.textContent = "コピーしたで。";
  } catch (e) {
    if (e.name === "AbortError") return; // the player closed the share sheet
    sent.textContent = `${page.result} ${address}`;
  }
}
page.over.querySelector('[data-page="share"]').addEventListener("click", sendResult);

// A new game: in the same page, from its start-up box; or, where a newer build is at hand, in
// that build, as the page opened anew.
function newGame() {
  forgetGame();
  if (page.newest !== kBuild) {
    location.reload();
    return;
  }
  page.over.hidden = true;
  page.client.replaceChildren();
  page.caption.textContent = "";
  page.timers.forEach((t) => clearTimeout(t.id));
  Object.assign(page, {
    controls: [], named: new Map(), timers: [{ id: 0 }, { id: 0 }], stacked: new Map(), rings: new Map(),
    meter: null, ended: false, shown: false, moved: false, column: null, held: false,
  });
  page.win.style.visibility = "hidden";
  dispatch("kazuroi_restart", []);
}
page.over.querySelector('[data-page="again"]').addEventListener("click", newGame);

// The game writes a number as a float in plain decimal, never longer than this: a longer text is
// not the game's and is read as missing, never copied into the game's memory.
const kLongestSetting = 64;
function readSetting(key, longest = kLongestSetting) {
  try {
    const value = localStorage.getItem(key);
    return value !== null && value.length <= longest ? value : null;
  } catch (e) {
    return null; // storage refused: as a missing setting
  }
}

function writeSetting(key, value) {
  try {
    localStorage.setItem(key, value);
  } catch (e) {
    // storage full or refused: nothing else is lost
  }
}

// The game in play, as the game writes it after each event; a text far longer is not one.
const kGameKey = "kazuroi/Game";
const kLongestGame = 16384;
function storedGame() {
  return readSetting(kGameKey, kLongestGame);
}

function forgetGame() {
  try {
    localStorage.removeItem(kGameKey);
  } catch (e) {
    // storage refused: there is nothing kept to forget
  }
}

function dropGame(why) {
  console.warn(`kazuroi: the game kept from an earlier visit is not taken up: ${why}`);
  forgetGame();
}

function tabStops() {
  return [...page.client.querySelectorAll("button")]
    .filter((b) => b.tabIndex > 0 && !b.disabled && b.offsetParent)
    .sort((a, b) => a.tabIndex - b.tabIndex);
}

// Tab goes round the window's buttons in their tab order and never leaves the window. The focus
// shows from a key until the next press of a finger or the mouse.
document.addEventListener("pointerdown", () => document.body.classList.remove("keys"), true);
document.addEventListener("keydown", (event) => {
  document.body.classList.add("keys");
  if (event.key !== "Tab" || !page.shown || page.ended || document.querySelector("dialog[open]")) return;
  const stops = tabStops();
  if (!stops.length) return;
  const at = stops.indexOf(document.activeElement);
  const next = event.shiftKey ? (at <= 0 ? stops.length - 1 : at - 1) : (at + 1) % stops.length;
  event.preventDefault();
  stops[next].focus();
});

// A finger or the mouse on a button shows at once, until it lifts or leaves: a press the game
// takes on the way down (a number, an operator) looks pressed like any other.
document.addEventListener("pointerdown", (event) => {
  const button = event.target.closest("button");
  if (!button || button.disabled) return;
  button.classList.add("pressed");
  const release = () => {
    button.classList.remove("pressed");
    for (const type of ["pointerup", "pointercancel", "pointerleave"]) button.removeEventListener(type, release);
  };
  for (const type of ["pointerup", "pointercancel", "pointerleave"]) button.addEventListener(type, release);
}, true);

page.client.addEventListener("contextmenu", (event) => event.preventDefault());
// Safari's own pinch gesture, which touch-action alone does not stop there.
document.addEventListener("gesturestart", (event) => event.preventDefault());
window.addEventListener("resize", fitWindow);
coarsePointer.addEventListener("change", fitWindow);
fitWindow(); // the start-up box takes the scale the window will have
if (window.visualViewport) {
  visualViewport.addEventListener("resize", fitWindow);
  visualViewport.addEventListener("scroll", fitWindow);
}
// Leaving the page stores the window's place as closing the window does, and keeps the game: the
// browser may bring the page back as it was, or the player reopen it. With a box open nothing is
// stored and nothing kept changes.
window.addEventListener("pagehide", () => {
  if (!page.busy && !page.ended && page.shown && !document.querySelector("dialog[open]"))
    Module.ccall("kazuroi_leave", null, ["number"], [page.moved ? 1 : 0]);
});
window.addEventListener("pageshow", holdClock);

// What the game's platform calls (web/web_platform.cpp, web/main.cpp).
const KazuroiPage = {
  createControl,
  showControl,
  markWith,
  meter,
  syncTimer,
  messageBox,
  endProgram,
  readSetting,
  writeSetting,
  storedGame,
  storeGame: (text) => writeSetting(kGameKey, text),
  dropGame,
  gameOver,
  placeWindow,
  showWindow,
  windowLeft: () => page.home.left,
  windowTop: () => page.home.top,
  seed: () => (params.has("seed") ? Number(params.get("seed")) >>> 0 : Date.now() >>> 0),
  queuedRandom: () => (queued.length ? queued.shift() : -1),
  focus: (name) => {
    const el = page.named.get(name)?.el;
    if (el) el.focus({ preventScroll: true });
  },
  outerHeight: () => kWindowSize.height, // pixels
};

// The game cannot start (its code refused by the browser or by the host's security policy, or
// damaged): a copy the page was served from goes, and the page is opened once more from the
// network; failing again, it says so in one line, and why.
function cannotStart(why) {
  const retried = sessionStorage.getItem("kazuroi/retried") === kBuild;
  const worker = navigator.serviceWorker && navigator.serviceWorker.controller;
  if (worker && !retried) {
    sessionStorage.setItem("kazuroi/retried", kBuild);
    // Loaded again once the copy is gone, so that the host answers; a worker that never says so
    // (one from before it could) still gets its reload.
    const channel = new MessageChannel();
    const reload = () => location.reload();
    channel.port1.onmessage = reload;
    setTimeout(reload, 3000);
    worker.postMessage({ broken: kBuild }, [channel.port2]);
    return;
  }
  page.ended = true;
  page.win.style.display = "none";
  const fault = document.getElementById("fault");
  fault.textContent = `かずろいを始められへん。The game cannot start here: ${String(why).split("\n")[0]}`;
  fault.hidden = false;
  console.error("kazuroi: the game cannot start:", why);
}

var Module = {
  onRuntimeInitialized() {
    sessionStorage.removeItem("kazuroi/retried");
    dispatch("kazuroi_start", []);
  },
  onAbort: cannotStart,
};
