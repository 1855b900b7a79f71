#pragma once
// The client library's floor: a bare isc_dsql_fetch loop over a statement, with the
// row buffers allocated once and nothing converted. What no client of libfbclient
// can beat on the same server.
#include <string>
#include <vector>

#include <ibase.h>

class Floor {
  public:
    explicit Floor(const std::string& database); // attaches as the program does (WIN1250)
    ~Floor();
    Floor(const Floor&) = delete;
    Floor& operator=(const Floor&) = delete;

    // Prepares the statement once; run() then executes it and fetches up to rows rows
    // (all with rows < 0); the number fetched.
    void prepare(const std::string& sqlWin1250);
    long run(long rows);

  private:
    void check(const ISC_STATUS* status, const char* what);

    isc_db_handle db_ = 0;
    isc_stmt_handle stmt_ = 0;
    isc_tr_handle tr_ = 0;
    XSQLDA* out_ = nullptr;
    std::vector<std::vector<char>> buffers_;
    std::vector<short> nulls_;
};
