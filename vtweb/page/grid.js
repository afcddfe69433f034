'use strict';
// The record grid: the data file's records as rows, its format's fields as
// columns.
(function () {
  const status = document.getElementById('status');
  fetch('/api/records')
    .then((answer) => answer.json())
    .then((document_) => {
      status.textContent = document_.records.length + ' records';
    })
    .catch((error) => {
      status.textContent = 'The records could not be read: ' + error;
    });
})();
