// The page around the game: it draws the control model as the desktop window does, scales the
// window to the screen, turns the player's presses (mouse, pen or touch) and the timers into the
// game's events, and answers the platform's calls.
"use strict";

const page = {
  win: document.getElementById("window"),
  caption: document.getElementById("caption"),
  client: document.getElementById("client"),
  over: document.getElementById("over"),
  controls: [],
  timers: [0, 0],
  stacked: new Map(), // container -> controls placed in it so far
  rings: new Map(), // ring -> the number button it marks
  meter: null, // the time bar and its track
  busy: false, // a call into the game is running, perhaps waiting on a box
  ended: false,
  shown: false, // the window is on the screen
  home: { left: 0, top: 0 }, // the window's place at its own size
  moved: false,
  scale: 1,
  boxes: 0, // boxes shown so far
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
}

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

// A frame's border runs through the middle of its caption's line.
function fitText(c) {
  if (!c.text) return;
  if (c.border) c.border.style.top = c.text.textContent ? `${Math.floor(c.text.offsetHeight / 2)}px` : "0";
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
    const box = document.createElement("textarea");
    box.tabIndex = -1;
    box.readOnly = true;
    return box;
  }
  return document.createElement("div");
}

// What a control is beyond its element: a frame's border, a shape's kind, a label's text anchor.
function dress(control, name, alignment) {
  const { el, type, look } = control;
  if (type === Type.Frame) {
    el.classList.add(look === Look.Flat ? "panel" : "frame");
    // A screen reader hears a frame as a group, named by its caption or else by its role.
    el.setAttribute("role", "group");
    control.group = name.slice(3);
    el.setAttribute("aria-label", control.group);
    if (look !== Look.Flat) {
      control.border = document.createElement("div");
      control.border.className = "border";
      el.append(control.border);
    }
  } else if (type === Type.Shape) {
    el.classList.add(look === Look.Ring ? "ring" : "rect");
  } else if (type === Type.Label) {
    el.classList.add("label");
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
  const control = { el, type, look, text: null, room: () => 0 };
  dress(control, name, alignment);
  el.style.font = `${font ? Math.round((points * 96) / 72) : 12}px "KazuroiGothic", sans-serif`;
  // Each container's children come front to back.
  const count = page.stacked.get(parent) || 0;
  page.stacked.set(parent, count + 1);
  el.style.zIndex = String(100 - count);
  listen(el, index, events);
  parent.append(el);
  page.controls[index] = control;
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
    setStyle(el, "backgroundColor", colour(back));
    setStyle(el, "color", colour(fore));
  }
}

// What a screen reader hears: a number's selection from its ring, the time left from the bar's
// width out of its track's.
function tellReaders(c, visible) {
  const button = page.rings.get(c);
  if (button) button.el.setAttribute("aria-pressed", String(visible));
  if (!page.meter || (c !== page.meter.bar && c !== page.meter.track)) return;
  const width = (control) => parseFloat(control.el.style.width) || 0;
  const percent = Math.round((100 * width(page.meter.bar)) / Math.max(1, width(page.meter.track)));
  if (percent === page.meter.percent) return; // the bar moves every tick, the value seldom
  page.meter.percent = percent;
  page.meter.bar.el.setAttribute("aria-valuenow", String(percent));
  page.meter.bar.el.setAttribute("aria-valuetext", `${percent}%`);
}

function showControl(index, left, top, width, height, text, enabled, visible, back, fore) {
  const c = page.controls[index];
  const el = c.el;
  setStyle(el, "left", `${left}px`);
  setStyle(el, "top", `${top}px`);
  setStyle(el, "width", `${width}px`);
  setStyle(el, "height", `${height}px`);
  setStyle(el, "display", visible ? "" : "none");
  if ((c.type === Type.Button || c.type === Type.TextBox) && el.disabled !== !enabled) el.disabled = !enabled;
  showColours(c, back, fore);
  tellReaders(c, visible);
  if (!c.text) return;
  if (c.text.textContent !== text || !c.fitted) {
    c.text.textContent = text;
    if (c.group !== undefined) el.setAttribute("aria-label", text || c.group);
    if (c.border) c.text.style.backgroundColor = colour(back);
    fitText(c);
  }
  c.fitted = page.shown && visible;
}

// A timer ticks at its interval, but the page wakes at most every 30 ms and then delivers the
// ticks that fell due: a browser's timer costs more to wake than the game's tick. Ticks that
// fall due while a box is open, or more than a wake's worth late, are dropped, as on the
// desktop.
const kWake = 30;
function syncTimer(timer, interval) {
  clearInterval(page.timers[timer]);
  page.timers[timer] = 0;
  if (interval <= 0) return;
  const most = Math.ceil(Math.max(kWake, interval) / interval);
  let last = performance.now();
  page.timers[timer] = setInterval(() => {
    const now = performance.now();
    const due = Math.floor((now - last) / interval);
    if (due <= 0) return;
    last = due > most ? now : last + due * interval;
    dispatch("kazuroi_ticks", [timer, Math.min(due, most)]);
  }, Math.max(kWake, interval));
}

// The screen the page has, in CSS pixels.
function screenSize() {
  const view = window.visualViewport;
  return view
    ? { width: view.width, height: view.height }
    : { width: document.documentElement.clientWidth, height: document.documentElement.clientHeight };
}

// The window's own size, from its style alone: before the start-up box it is not laid out, so
// that nothing of it asks for a font the box does not need.
function naturalSize() {
  const px = (el, property) => parseFloat(getComputedStyle(el)[property]) || 0;
  const border = px(page.win, "borderTopWidth");
  return {
    width: px(page.client, "width") + 2 * border,
    height: px(page.caption, "height") + px(page.client, "height") + 2 * border,
  };
}

// The window as one piece, its layout kept: at its own size where it fits and a mouse points,
// else scaled to the screen, and on a touch screen to fill it, so that fingers find the buttons.
const kMargin = 8;
function fitWindow() {
  const screen = screenSize();
  const { width, height } = naturalSize();
  const most = Math.min((screen.width - 2 * kMargin) / width, (screen.height - 2 * kMargin) / height);
  const touch = matchMedia("(pointer: coarse)").matches;
  page.scale = touch ? most : Math.min(1, most);
  if (page.scale === 1 && !touch) {
    placeAtHome();
  } else {
    setStyle(page.win, "left", `${Math.round((screen.width - width * page.scale) / 2)}px`);
    setStyle(page.win, "top", `${Math.round((screen.height - height * page.scale) / 2)}px`);
  }
  setStyle(page.win, "transform", page.scale === 1 ? "" : `scale(${page.scale})`);
  page.caption.classList.toggle("fixed", page.scale !== 1 || touch);
  document.querySelectorAll('dialog[data-control="msgbox"]').forEach(placeBox);
}

// At its own size the window stays wholly inside the page.
function inside(left, top) {
  const screen = screenSize();
  const size = naturalSize();
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
// the window is centred and the stored place is left as it was.
function placeWindow(left, top) {
  page.home = { left, top };
  page.win.style.display = "block";
  fitWindow();
  if (page.scale === 1 && !page.caption.classList.contains("fixed")) page.home = inside(left, top);
}

// The window appears with the keyboard's focus on its first button in the tab order, where a
// key does nothing.
function showWindow(text) {
  page.caption.textContent = text;
  page.win.style.visibility = "visible";
  page.shown = true;
  fitAll();
  const first = tabStops()[0];
  if (first) first.focus({ preventScroll: true });
  // Texts are measured in the page's font, which may still be on its way.
  document.fonts.load('16px "KazuroiGothic"', text).then(fitAll, () => {});
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

// A box at the window's scale, centred on the window (on the screen before the window shows),
// and wholly on the screen.
function placeBox(box) {
  const screen = screenSize();
  const width = box.offsetWidth * page.scale;
  const height = box.offsetHeight * page.scale;
  const area = page.shown
    ? page.win.getBoundingClientRect()
    : { left: 0, top: 0, width: screen.width, height: screen.height };
  const left = Math.min(Math.max(0, area.left + (area.width - width) / 2), Math.max(0, screen.width - width));
  const top = Math.min(Math.max(0, area.top + (area.height - height) / 2), Math.max(0, screen.height - height));
  setStyle(box, "left", `${Math.round(left)}px`);
  setStyle(box, "top", `${Math.round(top)}px`);
  setStyle(box, "transform", page.scale === 1 ? "" : `scale(${page.scale})`);
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

// The box waits for the player; its answer resolves the game's call. The first box waits for
// its few glyphs, so that it never shows without its text.
async function messageBox(text, title, yesNo) {
  const box = makeBox(text, title, yesNo ? ["はい", "いいえ"] : ["OK"]);
  await document.fonts.load('16px "KazuroiBox"', title + text).catch(() => {});
  return new Promise((resolve) => {
    const answer = (value) => {
      box.close();
      box.remove();
      resolve(value);
    };
    const [first, second] = box.querySelectorAll("button");
    first.addEventListener("click", () => answer(1));
    if (second) second.addEventListener("click", () => answer(0));
    // Escape closes a box with OK alone, and does nothing to the Yes/No question.
    box.addEventListener("cancel", (event) => {
      event.preventDefault();
      if (!yesNo) answer(1);
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
  if ("serviceWorker" in navigator && location.protocol !== "file:")
    navigator.serviceWorker.register("sw.js").catch((e) => console.warn("kazuroi: no offline copy:", e.message));
}

// The game is over: the window goes, and the page offers a new game.
function endProgram() {
  page.ended = true;
  page.timers.forEach((t) => clearInterval(t));
  page.win.style.display = "none";
  page.over.style.display = "block";
  page.over.querySelector('[data-page="again"]').focus();
}

// A new game in the same page: an empty window, then the program from its start-up box.
function newGame() {
  page.over.style.display = "none";
  page.client.replaceChildren();
  page.caption.textContent = "";
  Object.assign(page, {
    controls: [], timers: [0, 0], stacked: new Map(), rings: new Map(), meter: null,
    ended: false, shown: false, moved: false,
  });
  page.win.style.visibility = "hidden";
  dispatch("kazuroi_restart", []);
}
page.over.querySelector('[data-page="again"]').addEventListener("click", newGame);

// The game writes a number as a float in plain decimal, never longer than this: a longer text is
// not the game's and is read as missing, never copied into the game's memory.
const kLongestSetting = 64;
function readSetting(key) {
  try {
    const value = localStorage.getItem(key);
    return value !== null && value.length <= kLongestSetting ? value : null;
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

function tabStops() {
  return [...page.client.querySelectorAll("button")]
    .filter((b) => b.tabIndex > 0 && !b.disabled && b.offsetParent)
    .sort((a, b) => a.tabIndex - b.tabIndex);
}

// Tab goes round the window's buttons in their tab order and never leaves the window.
document.addEventListener("keydown", (event) => {
  if (event.key !== "Tab" || !page.shown || page.ended || document.querySelector("dialog[open]")) return;
  const stops = tabStops();
  if (!stops.length) return;
  const at = stops.indexOf(document.activeElement);
  const next = event.shiftKey ? (at <= 0 ? stops.length - 1 : at - 1) : (at + 1) % stops.length;
  event.preventDefault();
  stops[next].focus();
});

page.client.addEventListener("contextmenu", (event) => event.preventDefault());
window.addEventListener("resize", fitWindow);
fitWindow(); // the start-up box takes the scale the window will have
if (window.visualViewport) visualViewport.addEventListener("resize", fitWindow);
// Leaving the page closes the window; with a box open the game just ends, storing nothing.
window.addEventListener("pagehide", () => {
  if (!page.busy && !page.ended && page.shown) Module.ccall("kazuroi_unload", null, ["number"], [page.moved ? 1 : 0]);
});

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
  placeWindow,
  showWindow,
  windowLeft: () => page.home.left,
  windowTop: () => page.home.top,
  seed: () => (params.has("seed") ? Number(params.get("seed")) >>> 0 : Date.now() >>> 0),
  queuedRandom: () => (queued.length ? queued.shift() : -1),
  focus: (name) => {
    const el = page.client.querySelector(`[data-control="${CSS.escape(name)}"]`);
    if (el) el.focus({ preventScroll: true });
  },
  outerHeight: () => naturalSize().height, // pixels
};

var Module = {
  onRuntimeInitialized() {
    dispatch("kazuroi_start", []);
  },
};
