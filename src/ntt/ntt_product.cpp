#include "ntt/ntt_product.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <vector>

#include "disk/disk_file.h"
#include "disk/disk_int.h"
#include "disk/disk_memory.h"
#include "disk/disk_state.h"
#include "fft/fft_product.h"
#include "ntt/crt.h"
#include "ntt/ntt.h"
#include "shell/debug_state.h"
#include "shell/error_report.h"
#include "shell/files.h"

namespace {

// ---- Where the processor time goes ----------------------------------------

enum Phase { kOther, kResidues, kTransforms, kCRT, kFileIO };

struct PhaseClock {
  Phase Current = kOther;
  std::clock_t Last = 0;
  NTTProductReport Report;
};

PhaseClock& Clock() {
  static PhaseClock c;
  return c;
}

// Charges the time since the last switch to the phase that ran; returns it.
Phase SwitchPhase(Phase next) {
  PhaseClock& c = Clock();
  const std::clock_t now = std::clock();
  const double s = static_cast<double>(now - c.Last) / CLOCKS_PER_SEC;
  NTTProductReport& r = c.Report;
  double* field[] = {nullptr, &r.Residues, &r.Transforms, &r.CRT, &r.FileIO};
  if (field[c.Current] != nullptr) *field[c.Current] += s;
  c.Last = now;
  const Phase previous = c.Current;
  c.Current = next;
  return previous;
}

// A phase for the life of the object, then back to the one before.
class InPhase {
 public:
  explicit InPhase(Phase p) : Previous(SwitchPhase(p)) {}
  ~InPhase() { SwitchPhase(Previous); }
  InPhase(const InPhase&) = delete;
  InPhase& operator=(const InPhase&) = delete;

 private:
  Phase Previous;
};

// ---- Residue files ---------------------------------------------------------

struct Record {
  long Count = 0;  // residues stored
  std::string Name;
};

void WriteResidues(const Record& rec, const double* v, long pos, long n) {
  if (n <= 0) return;
  InPhase io(kFileIO);
  WriteBuffer(rec.Name.c_str(), v, pos, n);
}

void ReadResidues(const Record& rec, double* v, long pos, long n) {
  if (n <= 0) return;
  InPhase io(kFileIO);
  ReadBuffer(rec.Name.c_str(), v, pos, n);
}

void RemoveResidues(const Record& rec) {
  InPhase io(kFileIO);
  RemoveFileIfPresent(rec.Name.c_str());
  ForgetScratchFile(rec.Name);
}

std::vector<Record> MakeRecords(char letter, long ncrt) {
  std::vector<Record> recs(ncrt);
  for (long i = 0; i < ncrt; i++) {
    recs[i].Name = ResidueFileName(letter, i);
    RegisterScratchFile(recs[i].Name);
  }
  return recs;
}

// A run killed outright leaves its residue files behind; the first product of
// the next run in the directory removes them.
void RemoveStaleResidueFiles() {
  static bool done = false;
  if (done) return;
  done = true;
  for (char letter : {'A', 'B'})
    for (long k = 0; k < 1000; k++) std::remove(ResidueFileName(letter, k).c_str());
}

// ---- The first operand's kept residues ------------------------------------

struct KeptResidues {
  bool Valid = false;
  long NNTT = 0, NCRT = 0, Count = 0;
  // The number they belong to: its description and a hash of its limbs.
  char Name[kDiskNameSize] = {};
  long FileBase = 0, Size = 0, Offset = 0;
  int Packed = 0;
  uint64_t Hash = 0;
};

KeptResidues& Kept() {
  static KeptResidues k;
  return k;
}

inline uint64_t MixLimb(uint64_t h, double x) {
  uint64_t bits;
  std::memcpy(&bits, &x, sizeof bits);
  h = (h ^ bits) * 0x100000001b3ULL;
  return h ^ (h >> 29);
}

uint64_t HashLimbs(const DiskInt& a, double* buf, long size) {
  uint64_t h = 0xcbf29ce484222325ULL;
  for (long p = 0; p < a.Size; p += size) {
    const long n = std::min(size, a.Size - p);
    {
      InPhase io(kFileIO);
      a.WriteToBuffer(buf, n, p);
    }
    for (long i = 0; i < n; i++) h = MixLimb(h, buf[i]);
  }
  return h;
}

bool FirstPartExists(const DiskInt& a) {
  char name[kPartNameSize];
  const long part = a.Packed ? 0 : a.FileBase / Disk().PartLimbs;
  PartFileName(a.FileName, static_cast<int>(part), name);
  FILE* f = std::fopen(name, "rb");
  if (f != nullptr) std::fclose(f);
  return f != nullptr;
}

bool SameNumber(const KeptResidues& k, const DiskInt& a) {
  return std::strcmp(k.Name, a.FileName) == 0 && k.FileBase == a.FileBase && k.Size == a.Size &&
         k.Offset == a.Offset && k.Packed == a.Packed;
}

// The kept residues serve a only for the same transform, the same primes and
// the same number with the same limbs. A number whose files were released
// since (its content lives only in the residues) is taken at its word.
bool CanReuse(const DiskInt& a, long nntt, long ncrt, double* buf, long size) {
  const KeptResidues& k = Kept();
  if (!k.Valid || NTT().NTT0AlreadyComputed == 0 || NTT().LastProductByNTT == 0) return false;
  if (k.NNTT != nntt || k.NCRT != ncrt || !SameNumber(k, a)) return false;
  return !FirstPartExists(a) || HashLimbs(a, buf, size) == k.Hash;
}

void DropKept() {
  KeptResidues& k = Kept();
  if (k.Valid)
    for (long i = 0; i < k.NCRT; i++) RemoveResidues(Record{0, ResidueFileName('A', i)});
  k = KeptResidues{};
}

// ---- Residues of an operand ------------------------------------------------

// Where the residues of a few batches wait, prime by prime, so that each file
// is read or written once for all of them: an idle part of the FFT arrays
// when it holds more than one batch, else the batch's own area of the disk
// buffer.
struct Staging {
  double* Rows;
  long Batches;  // batches per row: the row of prime i holds Batches c residues
  Staging(double* idle, long idleSize, double* own, long ncrt, long c) {
    Batches = idleSize / (ncrt * c);
    Rows = Batches > 1 ? idle : own;
    Batches = std::max(Batches, 1L);
  }
};

// The residues of a's coefficients of d digits: prime 0's into prime0, the
// others appended to their files. idle/idleSize: memory free for the
// staging. Returns the number of coefficients (those that hold digits of a)
// and the hash of a's limbs in *hash.
long ComputeDiskModulos(const DiskInt& a, long d, double* prime0, std::vector<Record>& recs,
                        double* buf, long size, double* idle, long idleSize, uint64_t* hash) {
  InPhase phase(kResidues);
  const long ncrt = static_cast<long>(recs.size());
  const long count = (12 * a.Size + d - 1) / d;
  long c = static_cast<long>(static_cast<double>(size - d) * 0.99 /
                             (static_cast<double>(d) / 12 + static_cast<double>(ncrt)));
  c = c / 12 * 12;
  // Without room for a group of twelve coefficients no batch could progress.
  if (c <= 0) error("PROBLEM, BUFFER is too small in ComputeDiskModulos\n");
  const long groupLimbs = c / 12 * d;  // the limbs of a batch
  double* limbs = buf;
  // After a zero limb that the last digits may read.
  const Staging stage(idle, idleSize, buf + groupLimbs + 1, ncrt, c);
  const long row = stage.Batches * c;
  uint64_t h = 0xcbf29ce484222325ULL;
  for (long j0 = 0; j0 < count; j0 += c) {
    const long n = std::min(c, count - j0);
    const long first = j0 / 12 * d;
    const long got = std::min(groupLimbs, a.Size - first);
    {
      InPhase io(kFileIO);
      a.WriteToBuffer(limbs, got, first);
    }
    for (long i = 0; i < got; i++) {
      // A limb outside [0, 10^12) would cut into digits that are not a's.
      if (!(limbs[i] >= 0 && limbs[i] < 1e12))
        errorf(
            "ERROR in MulDiskIntByNTT, the number %s is negative or not in normal form "
            "(limb %ld is %.0f)",
            a.FileName, first + i, limbs[i]);
      h = MixLimb(h, limbs[i]);
    }
    std::fill(limbs + got, limbs + groupLimbs + 1, 0.0);
    const long at = j0 % row;  // in the rows of the staging
    ComputeModulos(limbs, d, n, stage.Rows + at, row);
    std::memcpy(prime0 + j0, stage.Rows + at, sizeof(double) * static_cast<size_t>(n));
    if (at + n == row || j0 + n == count) {
      for (long i = 1; i < ncrt; i++) WriteResidues(recs[i], stage.Rows + i * row, j0 - at, at + n);
    }
  }
  for (Record& r : recs) r.Count = count;
  *hash = h;
  return count;
}

// ---- Rebuilding the product ------------------------------------------------

struct ProductShape {
  long d;            // CRTNbDec
  long total;        // coefficients of the product
  long droppedCoef;  // the coefficients below the kept limbs, not rebuilt
  long dropped;      // product limbs below r's limb 0
  long limbs;        // limbs of the product, a.Size + b.Size
};

// Rebuilds the product coefficients from droppedCoef on (the residues of
// primes 0 .. NCRT-2 in the records' files, the last prime's in `last`) and
// writes the product limbs from `dropped` on into r's limbs from 0.
// idle/idleSize: memory free for the staging.
void CRTDiskModulos(const std::vector<Record>& recs, const double* last, const ProductShape& s,
                    DiskInt& r, double* buf, long size, double* idle, long idleSize) {
  InPhase phase(kCRT);
  const long ncrt = static_cast<long>(recs.size());
  const long d = s.d;
  long c = static_cast<long>(static_cast<double>(size - 2 * d) * 0.99 /
                             (static_cast<double>(d) / 12 + static_cast<double>(ncrt)));
  c = c / 12 * 12;
  const long area = d * (c / 12 + 2);
  if (c <= 0 || area + ncrt * c > size) error("PROBLEM, BUFFER is too small in CRTDiskModulos");
  double* out = buf;
  const Staging stage(idle, idleSize, buf + area, ncrt, c);
  const long row = stage.Batches * c;
  std::fill(out, out + area, 0.0);
  for (long j0 = s.droppedCoef; j0 < s.total; j0 += c) {
    const long n = std::min(c, s.total - j0);
    const bool lastBatch = j0 + n >= s.total;
    const long at = (j0 - s.droppedCoef) % row;  // in the rows of the staging
    if (at == 0) {
      const long m = std::min(row, s.total - j0);
      for (long i = 0; i + 1 < ncrt; i++)
        ReadResidues(recs[i], stage.Rows + i * row, j0 - s.droppedCoef, m);
      std::memcpy(stage.Rows + (ncrt - 1) * row, last + j0,
                  sizeof(double) * static_cast<size_t>(m));
    }
    const long base = j0 / 12 * d;  // the product limb at out[0]
    CRTCoefficients(stage.Rows + at, row, n, d, out);
    // Below limb c/12 d no later coefficient adds anything; after the last
    // batch every limb of the product is complete.
    const long complete = lastBatch ? std::min(area, s.limbs - base) : c / 12 * d;
    const double carry = ReleaseCarries(out, complete);
    if (lastBatch) {
      bool clean = carry == 0;
      for (long i = complete; i < area; i++) clean = clean && out[i] == 0;
      if (!clean) error("ERROR in CRTDiskModulos, the product is longer than its operands");
    } else {
      out[complete] += carry;
    }
    const long keep = std::min(complete, s.limbs - base);
    if (keep > 0) {
      InPhase io(kFileIO);
      WriteLimbsClipped(out, r, keep, base - s.dropped);
    }
    if (lastBatch) break;
    std::memmove(out, out + complete, sizeof(double) * static_cast<size_t>(area - complete));
    std::fill(out + area - complete, out + area, 0.0);
  }
}

}  // namespace

std::string ResidueFileName(char letter, long k) {
  char name[32];
  std::snprintf(name, sizeof name, "Numora-scratch-%c%03ld", letter, k);
  return name;
}

const NTTProductReport& LastNTTProduct() { return Clock().Report; }

void MulDiskIntByNTT(DiskInt& a, DiskInt& b, DiskInt& r, int freeA, int freeB) {
  NTTContext& ntt = NTT();
  const bool square = &a == &b;
  // r may be a or b: what the result needs of the operands is taken now.
  const long na = a.Size, nb = b.Size;
  const long offset = a.Offset + b.Offset;
  PhaseClock& clock = Clock();
  clock.Report = NTTProductReport{};
  clock.Current = kOther;
  clock.Last = std::clock();

  DebugStateData& dbg = DebugState();
  dbg.NTTProductOn = 1;
  dbg.NTTNa = na;
  dbg.NTTNb = nb;
  dbg.NTTNc = r.NAlloc;
  dbg.NTT0AlreadyComputed = ntt.NTT0AlreadyComputed;
  auto finish = [&] {
    ntt.LastProductByNTT = 1;
    ntt.KeepNTT0 = 0;
    ntt.NTT0AlreadyComputed = 0;
    dbg.NTTProductOn = 0;
    SwitchPhase(kOther);
  };
  if (!ntt.Initialised) error("ERROR in MulDiskIntByNTT, the NTT machinery is not set up");
  if (na <= 0 || nb <= 0 || r.NAlloc <= 0) {
    // Nothing to multiply or nothing to keep: an empty result.
    r.Size = 0;
    r.Offset = offset;
    DropKept();
    finish();
    return;
  }
  RemoveStaleResidueFiles();

  long nntt, d;
  const long ncrt = ChooseBestCRT(na, nb, &nntt, &d);
  InitCRT(ncrt);
  NTTProductReport& report = clock.Report;
  report.NCRT = ncrt;
  report.NNTT = nntt;
  report.CRTNbDec = d;
  dbg.NCRT = ncrt;
  dbg.NNTT = nntt;
  dbg.CRTNbDec = d;
  if (nntt > ntt.NNTTMax) errorf("Problem, NNTT=%ld is too big in MulDiskIntByNTT\n", nntt);
  // The two transform vectors are the FFT arrays: their spectrum is lost.
  const FFTWorkArrays fft = BorrowFFTWorkArrays();
  if (fft.Size < nntt)
    errorf("ERROR in MulDiskIntByNTT, the FFT arrays do not hold NNTT=%ld residues", nntt);
  double* A = fft.A;
  double* B = fft.B;
  const long fftSize = fft.Size;
  double* buf = DiskWorkBuffer("MulDiskIntByNTT");
  const long size = Disk().BufferSize;

  ProductShape shape;
  shape.d = d;
  shape.limbs = na + nb;
  shape.dropped = std::max(0L, na + nb - r.NAlloc);
  shape.droppedCoef = 12 * (shape.dropped / d);

  // The first operand's residues: kept from an earlier product, or computed.
  std::vector<Record> recA = MakeRecords('A', ncrt);
  long countA;
  const bool keep = ntt.KeepNTT0 != 0;
  report.ReusedA = CanReuse(a, nntt, ncrt, buf, size);
  const bool aShared = !square && std::strcmp(a.FileName, b.FileName) == 0;
  // A second operand in the same files still needs them.
  const bool freeAEarly = freeA && !square && !aShared;
  if (report.ReusedA) {
    countA = Kept().Count;
    for (Record& rec : recA) rec.Count = countA;
    if (freeAEarly) a.Free();
  } else {
    DropKept();
    uint64_t hash;
    countA = ComputeDiskModulos(a, d, A, recA, buf, size, B, fftSize, &hash);
    if (freeAEarly) a.Free();
    if (keep) {
      WriteResidues(recA[0], A, 0, countA);
      KeptResidues& k = Kept();
      k.Valid = true;
      k.NNTT = nntt;
      k.NCRT = ncrt;
      k.Count = countA;
      std::memcpy(k.Name, a.FileName, sizeof k.Name);
      k.FileBase = a.FileBase;
      k.Size = na;
      k.Offset = a.Offset;
      k.Packed = a.Packed;
      k.Hash = hash;
    }
  }
  dbg.nFFT0AlreadyComputed = Kept().NNTT;
  dbg.NCRTNTT0AlreadyComputed = Kept().NCRT;
  ntt.NTT0AlreadyComputed = 0;

  std::vector<Record> recB = MakeRecords('B', ncrt);
  long countB = countA;
  if (!square) {
    uint64_t unused;
    // Past a's prime-0 residues, A is free.
    const long usedA = report.ReusedA ? 0 : countA;
    countB = ComputeDiskModulos(b, d, B, recB, buf, size, A + usedA, fftSize - usedA, &unused);
    if (freeA && aShared) a.Free();
    if (freeB) b.Free();
  } else if (freeA || freeB) {
    a.Free();
  }
  shape.total = countA + countB - 1;
  // ComputeNCRT makes both operands' coefficients fit one transform.
  if (shape.total > nntt)
    errorf("ERROR in MulDiskIntByNTT, %ld coefficients exceed NNTT=%ld", shape.total, nntt);

  for (long i = 0; i < ncrt; i++) {
    const bool fromFile = i > 0 || report.ReusedA;
    if (fromFile) ReadResidues(recA[i], A, 0, countA);
    if (!keep) RemoveResidues(recA[i]);
    if (!square && i > 0) ReadResidues(recB[i], B, 0, countB);
    {
      InPhase phase(kTransforms);
      std::fill(A + countA, A + nntt, 0.0);
      ForwardNTT(A, nntt, i);
      if (square) {
        PointwiseMulMod(A, A, B, nntt);
      } else {
        std::fill(B + countB, B + nntt, 0.0);
        ForwardNTT(B, nntt, i);
        PointwiseMulMod(A, B, B, nntt);
      }
      InverseNTT(B, nntt, i);
    }
    if (i + 1 < ncrt) {
      WriteResidues(recB[i], B + shape.droppedCoef, 0, shape.total - shape.droppedCoef);
      recB[i].Count = shape.total - shape.droppedCoef;
    }
  }
  if (!keep) Kept() = KeptResidues{};  // its files were read for the last time

  CRTDiskModulos(recB, B, shape, r, buf, size, A, fftSize);
  for (const Record& rec : recB) RemoveResidues(rec);
  r.Size = std::min(na + nb, r.NAlloc);
  r.Offset = offset + na + nb - r.Size;
  {
    InPhase io(kFileIO);
    UpdateDiskIntSize(r);
  }
  FreeCRT();
  finish();
}
