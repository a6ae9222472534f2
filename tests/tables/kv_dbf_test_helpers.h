// Shared pieces of the KvDbf tests: the tables they open (written byte by byte) and a fixture
// with a temporary folder and a scripted Ui.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine_test_helpers.h"
#include "scripted_ui.h"
#include "tables/kv_dbf.h"

namespace vantorel::testing {

// keyword.dbf as the catalogue has it (ARTICLE_ID N 11, KEYWORD C 28, OEM text):
//   1  112  Graphics        "12" inside ARTICLE_ID
//   2    7  Delphi 12       "12" inside KEYWORD
//   3   41  2D review       "12" only across the two fields
//   4   12  M\x81nchen      OEM u-umlaut; "12" inside ARTICLE_ID
//   5    9  Turbo 12        deleted; "12" inside KEYWORD
inline TableBytes KeywordTable() {
  TableBytes t;
  t.fields = {{"ARTICLE_ID", 'N', 11}, {"KEYWORD", 'C', 28}};
  t.records = {Rec({Pad("112", 11, true), Pad("Graphics", 28)}),
               Rec({Pad("7", 11, true), Pad("Delphi 12", 28)}),
               Rec({Pad("41", 11, true), Pad("2D review", 28)}),
               Rec({Pad("12", 11, true), Pad("M\x81nchen", 28)}),
               Rec({Pad("9", 11, true), Pad("Turbo 12", 28)}, '*')};
  return t;
}

class KvDbfTest : public ::testing::Test {
 protected:
  // Writes the table and opens it in dbf the way the catalogue opens its tables (read-only,
  // shared, OEM, no creation), with engine errors raised so that a test sees them.
  void OpenTable(tables::KvDbf& dbf, const std::string& name, const TableBytes& table) {
    dir_.Write(name, table.Bytes());
    dbf.SetRaiseEngineErrors(true);
    dbf.SetReadOnly(true);
    dbf.SetCreateIfNotFound(false);
    dbf.SetDbfFileName(dir_ / name);
    dbf.SetActive(true);
  }

  // The record numbers a walk from First to Eof visits.
  static std::vector<std::int64_t> Walk(tables::KvDbf& dbf) {
    std::vector<std::int64_t> visited;
    for (dbf.First(); !dbf.Eof(); dbf.Skip(1)) visited.push_back(dbf.RecNo());
    return visited;
  }

  TempDir dir_;
  ScriptedUi ui_;
};

}  // namespace vantorel::testing
