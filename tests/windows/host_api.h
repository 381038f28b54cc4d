// The thirteen functions as a table of pointers, so one test script can run
// against the Linux build directly and against QEV_3DS.dll loaded by name.
#pragma once

#include <cstdint>

#include "qev_3ds.h"

struct HostApi {
  decltype(&QEV_FORM_3DS_FILENAME) form;
  decltype(&QEV_PUT_3DS_N_LAYER) n_layer;
  decltype(&QEV_PUT_3DS_LAYER) layer;
  decltype(&QEV_PUT_3DS_N_TRI) n_tri;
  decltype(&QEV_PUT_3DS_TRIANGLE) triangle;
  decltype(&QEV_PUT_3DS_TRIANGLE_END) triangle_end;
  decltype(&QEV_PUT_3DS_END) end;
  decltype(&QEV_READ_3DS_FILENAME) read_file;
  decltype(&QEV_READ_3DS_N_LAYER) read_n_layer;
  decltype(&QEV_READ_3DS_LAYER) read_layer;
  decltype(&QEV_READ_3DS_N_TRI) read_n_tri;
  decltype(&QEV_READ_3DS_TRIANGLE) read_triangle;
  decltype(&QEV_READ_3DS_END) read_end;
};

// The exported names, in the order of the table.
inline const char* const kExportNames[13] = {
    "QEV_FORM_3DS_FILENAME", "QEV_PUT_3DS_N_LAYER",   "QEV_PUT_3DS_LAYER",
    "QEV_PUT_3DS_N_TRI",     "QEV_PUT_3DS_TRIANGLE",  "QEV_PUT_3DS_TRIANGLE_END",
    "QEV_PUT_3DS_END",       "QEV_READ_3DS_FILENAME", "QEV_READ_3DS_N_LAYER",
    "QEV_READ_3DS_LAYER",    "QEV_READ_3DS_N_TRI",    "QEV_READ_3DS_TRIANGLE",
    "QEV_READ_3DS_END"};
