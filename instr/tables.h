// tables.h - status lists of the session library: each list is an array of
// rows, a status code first, looked up by one helper.
#ifndef INSTR_TABLES_H
#define INSTR_TABLES_H

#include <stddef.h>

#include "visa.h"

struct StatusText {
  ViStatus status;
  const char *text;
};

// The first row of list whose status is s, or NULL. The lists are tried in
// their written order; no code stands twice in one list.
template <class Row, size_t N>
const Row *findStatus(const Row (&list)[N], ViStatus s)
{
  for (size_t i = 0; i < N; i++)
    if (list[i].status == s) return &list[i];
  return NULL;
}

// The text for s in list, or NULL when the list does not name it.
template <size_t N>
const char *statusText(const StatusText (&list)[N], ViStatus s)
{
  const StatusText *row = findStatus(list, s);
  return row ? row->text : NULL;
}

#endif
