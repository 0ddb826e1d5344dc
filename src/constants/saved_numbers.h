// The disk numbers of a computation that spans several runs: their records in
// "ParamNumora", their check when a run resumes, and the two regions of their
// files.
//
// A saved state must survive a run killed at any moment. So a run never writes
// over the limbs that the saved state refers to: each number's files hold two
// regions, [0, R) and [R, 2R), and a step puts its new value into the region
// that the saved state does not use. The files are flushed to the disk before
// "ParamNumora" is switched, atomically, to the new regions.
#pragma once

#include <cstdio>
#include <initializer_list>

#include "disk/disk_int.h"

class ConstantComputation;
class ParamReader;

// The start of the region of d's files that d does not use.
inline long OtherRegion(const DiskInt& d, long regionSize) {
  return d.FileBase == 0 ? regionSize : 0;
}

// Size, Offset and FileBase, one record each.
void WriteDiskIntRecords(FILE* stream, const DiskInt& d);
// The three records of d (named already) read back and checked: Size at most
// maxSize and at least 1 when needed, FileBase 0 or regionSize, and the files
// present and long enough, with a top limb in normal form.
void ReadDiskIntRecords(ParamReader& in, DiskInt& d, long maxSize, long regionSize, bool needed);

// A save point: the files of the numbers flushed to the disk, then
// "ParamNumora" saved. 1 when the run stops there: the time threshold is
// passed, Ctrl-C was pressed, or stopAnyway.
int SaveState(ConstantComputation& c, std::initializer_list<const DiskInt*> numbers,
              bool stopAnyway);

// A scratch number of a multi-run computation. A resumed run owns the name:
// the files left by a run that was killed are removed first.
void InitRunScratch(DiskInt& d, const char* name, long n, bool resumed);
