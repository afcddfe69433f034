"use strict";
// The landmarks' names, from the page's own data or from the server.
function show(data, note) {
  document.getElementById("note").textContent = note + data.file;
  const list = document.getElementById("names");
  list.replaceChildren(...data.records.map((r) => {
    const item = document.createElement("li");
    item.textContent = r.name;
    return item;
  }));
}
const embedded = document.getElementById("vtweb-data");
if (embedded) {
  show(JSON.parse(embedded.textContent), "A read-only copy, made at export, of ");
} else {
  fetch("/api/landmarks").then((r) => r.json()).then((d) => show(d, "Landmarks of "));
}
