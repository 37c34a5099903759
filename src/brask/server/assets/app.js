// Minimal shell: shows how many sessions the server holds.
(function () {
  "use strict";
  const app = document.getElementById("app");
  fetch("/api/v1/sessions")
    .then((r) => r.json())
    .then((data) => {
      app.textContent = "Sessions: " + data.total;
    })
    .catch(() => {
      app.textContent = "The server cannot be reached.";
    });
})();
