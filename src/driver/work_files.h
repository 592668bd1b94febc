// The seven work files of a run, A B T V W X Y ("ia.dat" .. "iy.dat"), owned
// by the driver for one run. Whatever is still held when the owner goes
// away is closed and deleted, so no way out of a run leaves a work file.
#pragma once

#include <array>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>

#include "storage/stored_number.h"

namespace calvorn {

// The names of the work files, in the order of creation.
constexpr std::array<const char*, 7> workFileNames{"ia.dat", "ib.dat", "it.dat", "iv.dat",
                                                   "iw.dat", "ix.dat", "iy.dat"};

// What would make a run refuse one of its files, before it starts: a link,
// a directory, a FIFO or a device under the name of a work file, of
// "pi_data.txt" or of its side file. Nothing when every name is free or a
// regular file.
std::optional<std::string> runFileInTheWay();

class WorkFiles {
public:
    WorkFiles() = default;
    // Closes and deletes what is still held; failures are not reported here
    // (the run has ended by another way already).
    ~WorkFiles() { release(a, false); }
    WorkFiles(const WorkFiles&) = delete;
    WorkFiles& operator=(const WorkFiles&) = delete;

    // Creates the files in the order A, B, T, V, W, X, Y. A failed create
    // throws RunFailure; the files made before it stay held until release.
    void create();

    StoredNumber& A() { return get(a); }
    StoredNumber& B() { return get(b); }
    StoredNumber& T() { return get(t); }
    StoredNumber& V() { return get(v); }
    StoredNumber& W() { return get(w); }
    StoredNumber& X() { return get(x); }
    StoredNumber& Y() { return get(y); }

    // Closes Y, X, W, V, T, B and deletes their files: all but the result A.
    // A file that cannot be closed or deleted throws RunFailure naming it,
    // after the others are released.
    void releaseAllButA() { release(b, true); }
    // Closes and deletes every file still held, the same way.
    void releaseAll() { release(a, true); }

private:
    enum Index : std::size_t { a, b, t, v, w, x, y, count };
    StoredNumber& get(Index i) { return *numbers_[i]; }
    // Releases the files from `first` on (Y first); throws for the first
    // failure when `report` is set.
    void release(Index first, bool report);
    std::array<std::unique_ptr<StoredNumber>, count> numbers_;
};

} // namespace calvorn
