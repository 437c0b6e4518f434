// The page around the game: it draws the control model as the desktop window does, turns the
// player's presses and the timers into the game's events, and answers the platform's calls.
"use strict";

const KazuroiPage = (() => {
  const params = new URLSearchParams(location.search);
  const win = document.getElementById("window");
  const caption = document.getElementById("caption");
  const client = document.getElementById("client");
  const controls = [];
  const timers = [0, 0];
  const queued = (params.get("random") || "").split(",").filter((v) => v !== "").map(Number);
  const stacked = new Map(); // container -> controls placed in it so far
  let busy = false; // a call into the game is running, perhaps waiting on a box
  let ended = false;
  let moved = false;

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
    if (busy || ended) return;
    busy = true;
    try {
      await Module.ccall(name, null, args.map(() => "number"), args, { async: true });
    } finally {
      busy = false;
    }
  }

  // Narrows a text that its control cannot hold whole, as the desktop window does.
  function fit(control) {
    const text = control.text;
    text.style.transform = "";
    const room = control.room();
    const width = text.offsetWidth;
    const centred = text.classList.contains("center") ? "translateX(-50%) " : "";
    const scale = width > room && room > 0 ? `scaleX(${Math.max(0.5, room / width)})` : "";
    text.style.transform = centred + scale;
  }

  function createControl(index, name, type, container, look, alignment, font, points, tabIndex, events) {
    const parent = container < 0 ? client : controls[container].el;
    let el;
    if (type === Type.Button) {
      el = document.createElement("button");
      el.type = "button";
      el.tabIndex = tabIndex >= 0 ? tabIndex : -1;
    } else if (type === Type.TextBox) {
      el = document.createElement("textarea");
      el.tabIndex = -1;
      el.readOnly = true;
    } else {
      el = document.createElement("div");
    }
    el.className = "control";
    el.dataset.control = name;
    const control = { el, type, look, alignment, text: null, room: () => 0 };
    if (type === Type.Frame && look === Look.Flat) {
      el.classList.add("panel");
    } else if (type === Type.Frame) {
      el.classList.add("frame");
      const border = document.createElement("div");
      border.className = "border";
      border.style.top = "0";
      el.append(border);
      control.border = border;
    } else if (type === Type.Shape) {
      el.classList.add(look === Look.Ring ? "ring" : "rect");
    } else if (type === Type.Label) {
      el.classList.add("label");
    }
    if (type === Type.Frame || type === Type.Button || type === Type.Label) {
      control.text = document.createElement("span");
      control.text.className = "text";
      if (type === Type.Label) {
        // Anchored at its aligned side, so that a text too wide for the label is narrowed
        // toward that side and stays inside.
        control.text.classList.add(Align[alignment]);
        control.text.style.transformOrigin = Align[alignment];
      }
      el.append(control.text);
      control.room =
        type === Type.Button ? () => el.clientWidth - 6
        : type === Type.Frame ? () => el.clientWidth - 16
        : () => el.clientWidth - 2;
    }
    el.style.font = `${font ? Math.round((points * 96) / 72) : 12}px "KazuroiGothic", sans-serif`;
    // Each container's children come front to back.
    const count = stacked.get(parent) || 0;
    stacked.set(parent, count + 1);
    el.style.zIndex = String(100 - count);
    if (events & 1) {
      // Any mouse button's press is the game's MouseDown; the keyboard never presses these.
      el.addEventListener("pointerdown", (event) => {
        // The press takes the focus first, as a click does on the desktop; the game may then
        // move it, and the browser must not move it back.
        event.preventDefault();
        el.focus({ preventScroll: true });
        dispatch("kazuroi_mouse_down", [index]);
      });
    }
    if (events & 2) el.addEventListener("click", () => dispatch("kazuroi_click", [index]));
    parent.append(el);
    controls[index] = control;
  }

  // Sets a style only when it changes: a write of the same value still costs the browser work.
  function setStyle(el, name, value) {
    if (el.style[name] !== value) el.style[name] = value;
  }

  function showControl(index, left, top, width, height, text, enabled, visible, back, fore) {
    const c = controls[index];
    const el = c.el;
    setStyle(el, "left", `${left}px`);
    setStyle(el, "top", `${top}px`);
    setStyle(el, "width", `${width}px`);
    setStyle(el, "height", `${height}px`);
    setStyle(el, "display", visible ? "" : "none");
    if ((c.type === Type.Button || c.type === Type.TextBox) && el.disabled !== !enabled) el.disabled = !enabled;
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
    if (c.text && c.text.textContent !== text) {
      c.text.textContent = text;
      if (c.border) c.border.style.top = text ? `${Math.floor(c.text.offsetHeight / 2)}px` : "0";
      if (c.border) c.text.style.backgroundColor = colour(back);
      if (visible) fit(c);
    } else if (c.text && visible && !c.fitted) {
      fit(c);
    }
    c.fitted = visible && !!c.text;
  }

  // A timer ticks at its interval, but the page wakes at most every 30 ms and then delivers the
  // ticks that fell due: a browser's timer costs more to wake than the game's tick. Ticks that
  // fall due while a box is open, or more than a wake's worth late, are dropped, as on the
  // desktop.
  const kWake = 30;
  function syncTimer(timer, interval) {
    clearInterval(timers[timer]);
    timers[timer] = 0;
    if (interval <= 0) return;
    const most = Math.ceil(Math.max(kWake, interval) / interval);
    let last = performance.now();
    timers[timer] = setInterval(() => {
      const now = performance.now();
      const due = Math.floor((now - last) / interval);
      if (due <= 0) return;
      last = due > most ? now : last + due * interval;
      dispatch("kazuroi_ticks", [timer, Math.min(due, most)]);
    }, Math.max(kWake, interval));
  }

  // A modal box with a title, a text and its buttons; the answer resolves the game's call.
  function messageBox(text, title, yesNo) {
    return new Promise((resolve) => {
      const box = document.createElement("dialog");
      box.dataset.control = "msgbox";
      const bar = document.createElement("div");
      bar.className = "title";
      bar.textContent = title;
      const message = document.createElement("p");
      message.className = "message";
      message.textContent = text.replace(/\r\n/g, "\n");
      const buttons = document.createElement("div");
      buttons.className = "buttons";
      const answer = (value) => {
        box.close();
        box.remove();
        resolve(value);
      };
      const add = (label, value) => {
        const button = document.createElement("button");
        button.type = "button";
        button.textContent = label;
        button.addEventListener("click", () => answer(value));
        buttons.append(button);
        return button;
      };
      const first = yesNo ? add("はい", 1) : add("OK", 1);
      if (yesNo) add("いいえ", 0);
      // Escape closes a box with OK alone, and does nothing to the Yes/No question.
      box.addEventListener("cancel", (event) => {
        event.preventDefault();
        if (!yesNo) answer(1);
      });
      box.append(bar, message, buttons);
      document.body.append(box);
      box.showModal();
      first.focus();
      if (window.kazuroiFirstBoxAt === undefined) window.kazuroiFirstBoxAt = performance.now();
    });
  }

  function endProgram() {
    ended = true;
    timers.forEach((t) => clearInterval(t));
    win.style.display = "none";
    document.getElementById("over").style.display = "block";
  }

  function readSetting(key) {
    try {
      return localStorage.getItem(key);
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

  // The window at its stored place, moved inside the page where that lies outside it.
  function placeWindow(left, top) {
    const maxLeft = Math.max(0, document.documentElement.clientWidth - win.offsetWidth);
    const maxTop = Math.max(0, document.documentElement.clientHeight - win.offsetHeight);
    win.style.left = `${Math.min(Math.max(0, left), maxLeft)}px`;
    win.style.top = `${Math.min(Math.max(0, top), maxTop)}px`;
  }

  function showWindow(text) {
    caption.textContent = text;
    win.style.visibility = "visible";
  }

  // Dragging the caption moves the window, as on the desktop; its place is stored on leaving.
  caption.addEventListener("pointerdown", (event) => {
    const startX = event.clientX - win.offsetLeft;
    const startY = event.clientY - win.offsetTop;
    caption.setPointerCapture(event.pointerId);
    const move = (e) => {
      win.style.left = `${Math.max(0, e.clientX - startX)}px`;
      win.style.top = `${Math.max(0, e.clientY - startY)}px`;
      moved = true;
    };
    caption.addEventListener("pointermove", move);
    caption.addEventListener("pointerup", () => caption.removeEventListener("pointermove", move), { once: true });
  });
  client.addEventListener("contextmenu", (event) => event.preventDefault());
  // Leaving the page closes the window; with a box open the game just ends, storing nothing.
  window.addEventListener("pagehide", () => {
    if (!busy && !ended) Module.ccall("kazuroi_unload", null, ["number"], [moved ? 1 : 0]);
  });

  return {
    createControl,
    showControl,
    syncTimer,
    messageBox,
    endProgram,
    readSetting,
    writeSetting,
    placeWindow,
    showWindow,
    windowLeft: () => win.offsetLeft,
    windowTop: () => win.offsetTop,
    seed: () => (params.has("seed") ? Number(params.get("seed")) >>> 0 : Date.now() >>> 0),
    queuedRandom: () => (queued.length ? queued.shift() : -1),
    focus: (name) => {
      const el = client.querySelector(`[data-control="${CSS.escape(name)}"]`);
      if (el) el.focus({ preventScroll: true });
    },
    outerHeight: () => caption.offsetHeight + client.offsetHeight, // pixels
    start: () => dispatch("kazuroi_start", []),
  };
})();

var Module = {
  onRuntimeInitialized() {
    // The game's texts are measured and fitted in the page's font, so it is loaded first.
    const font = document.fonts ? document.fonts.load('16px "KazuroiGothic"') : Promise.resolve();
    font.catch(() => {}).finally(() => KazuroiPage.start());
  },
};
