#include "userconst/user_constant.h"

#include <algorithm>
#include <cmath>

#include "mpint/bigint.h"
#include "mpint/limb_storage.h"
#include "shell/console.h"
#include "shell/error_report.h"
#include "shell/files.h"
#include "shell/platform.h"
#include "shell/progress.h"
#include "shell/version.h"
#include "userconst/constant_file.h"

namespace {

const char kBanner[] = "          ************************************\n";
const char kBannerBlank[] = "          *                                  *\n";
const char kFileBanner[] = "       ***************************************\n";
const char kFileBannerBlank[] = "       *                                     *\n";
const char kLoadedStars[] = "***************************************************\n";

}  // namespace

// ----------------------------------------------------------------- definition

void UserConstantComputation::Define() {
  std::printf("%s%s", kBanner, kBannerBlank);
  std::printf("          *      User constant definition    *\n");
  std::printf("          *    (see help.txt file for help)  *\n");
  std::printf("%s%s", kBannerBlank, kBanner);
  // Where the help is, for a person at a terminal; scripts see the dialogue as it was.
  const std::string help = FindHelpFile();
  if (!help.empty() && StdoutIsTerminal()) std::printf("          (help.txt: %s)\n", help.c_str());
  std::printf("\n");
  AskConstantName();
  std::printf("Comments (type <RETURN>.<RETURN> to end) : \n");
  ReadComments();

  std::printf("\n");
  std::printf("The constant is defined in the form : \n");
  std::printf("%s =  sum_{0<=i<N} beta_i * H_i\n", name_.c_str());
  std::printf("where beta_i are fractions are H_i hypergeometric series\n");
  std::printf("\n");
  long n;
  for (int attempt = 0;; attempt++) {
    n = AskLong("Enter the number N of functions : ");
    if (n <= 0) return;
    if (n <= kMaxSeries) break;
    if (attempt + 1 >= kMaxBadAnswers) TooManyInvalidAnswers();
    std::printf("Error, a constant holds at most %ld series\n", kMaxSeries);
  }

  for (long i = 0; i < n; i++) {
    std::printf("\n");
    char prompt[64];
    std::snprintf(prompt, sizeof prompt, "Enter beta_%ld : ", i);
    const std::string line = AskText(prompt, FractionRefusal);
    Fraction beta;
    beta.ParseFraction(line.c_str());
    betas_.push_back(beta);
    betaTexts_.push_back(WithoutBlanks(line));

    std::printf("************ hypergeometric series H_%ld ************\n", i);
    for (int attempt = 0;; attempt++) {
      std::unique_ptr<Hypergeom> h = DefineUserConstantSeries();
      if (h->CheckSeries()) {
        std::printf("Your series is well defined, it converges like (1/%lf)^n\n",
                    h->ConvergenceRate());
        std::printf("Approximate value is H ~ %.12lf\n", h->ApproximateValue());
        series_.push_back(std::move(h));
        break;
      }
      std::printf("Error in hypergeometric series definition\n");
      if (attempt + 1 >= kMaxBadAnswers) TooManyInvalidAnswers();
      std::printf("Redefine the hypergeometric series H_%ld :\n", i);
    }
  }

  std::printf("Constant approximate value : %s = %lf\n", name_.c_str(), ApproximateValue());
  std::printf("\n");
  std::printf("You have defined a user constant. You must save it to a file,\n");
  std::printf("and reload it for each computation.\n");
  SaveToFile();
}

void UserConstantComputation::AskConstantName() {
  for (int attempt = 0;; attempt++) {
    std::printf("Enter the constant name : ");
    std::string typed = ReadLine();
    std::string name = typed;
    std::string refused = CheckConstantName(name);
    if (refused.empty()) {
      if (name != typed)
        std::printf("A name holds no blanks: the constant is named %s\n", name.c_str());
      name_ = name;
      return;
    }
    if (attempt + 1 >= kMaxBadAnswers) TooManyInvalidAnswers();
    std::printf("%s Please type another name.\n", refused.c_str());
  }
}

void UserConstantComputation::ReadComments() {
  comments_.clear();
  for (;;) {
    const std::string line = CleanCommentLine(ReadLine());
    if (line == ".") return;
    if (line.empty()) continue;
    if (!AppendCommentLine(comments_, line))
      std::printf("Comments hold at most %zu characters: this line is left out.\n",
                  kMaxCommentsLength);
  }
}

std::unique_ptr<Hypergeom> UserConstantComputation::DefineUserConstantSeries() {
  std::printf("Enter your series type : \n");
  std::printf("[0] : General hypergeometric series\n");
  std::printf("[1] : arctan(Z)  = Z - Z^3/3 + Z^5/5 ...\n");
  std::printf("[2] : arctanh(Z) = Z + Z^3/3 + Z^5/5 ...\n");
  std::printf("[3] : log 1/(1-Z) = Z + Z^2/2 + Z^3/3 ...\n");
  const long type = AskLong("Enter your choice : ");
  // Any other number makes a series that its definition reports as unknown.
  auto h = std::make_unique<Hypergeom>(static_cast<int>(std::clamp(type, -1L, 4L)));
  h->DefineSeries();
  return h;
}

void UserConstantComputation::SaveToFile() {
  for (int attempt = 0;; attempt++) {
    if (attempt >= kMaxBadAnswers) TooManyInvalidAnswers();
    std::printf("File name (suffix %s will be automatically added) : ", kConstantFileSuffix);
    const std::string file = ReadWord() + kConstantFileSuffix;
    if (FILE* existing = std::fopen(file.c_str(), "r")) {
      std::fclose(existing);
      std::printf("Warning, a file with this name already exists.\n");
      if (AskLong("Overwrite [0=No, 1=Yes] ? ") == 0) continue;
    }
    FILE* f = std::fopen(file.c_str(), "w");
    if (f == nullptr) {
      std::printf("The file %s cannot be created. Please type another name.\n", file.c_str());
      continue;
    }
    WriteUserConstantFile(f);
    CloseOrDie(f, file);
    std::printf("File %s saved.\n", file.c_str());
    return;
  }
}

void UserConstantComputation::WriteUserConstantFile(FILE* f) const {
  std::fprintf(f, "// Numora user constant file\n");
  std::fprintf(f, "%s%s", kFileBanner, kFileBannerBlank);
  std::fprintf(f, "       *    User constant file definition    *\n");
  std::fprintf(f, "%s%s", kFileBannerBlank, kFileBanner);
  std::fprintf(f, "\n");
  std::fprintf(f, "Version : %s\n", GetVersion().c_str());
  std::fprintf(f, "Constant name : %s\n", name_.c_str());
  std::fprintf(f, "Comments :\n");
  std::fprintf(f, "%s\n", comments_.c_str());
  std::fprintf(f, ".\n");
  std::fprintf(f, "Number of series : %ld\n", GetSeriesCount());
  for (long i = 0; i < GetSeriesCount(); i++) {
    std::fprintf(f, "\n");
    std::fprintf(f, "Series number %ld\n", i);
    std::fprintf(f, "Beta : %s\n", betaTexts_[i].c_str());
    std::fprintf(f, "Series type : %d\n", series_[i]->GetSeriesType());
    series_[i]->Stream(f);
  }
  std::fprintf(f, "\n");
  std::fprintf(f, "Constant approximate value : %s = %.12lf\n", name_.c_str(), ApproximateValue());
}

// -------------------------------------------------------------------- loading

void UserConstantComputation::LoadUserConstantFile() {
  for (int attempt = 0;; attempt++) {
    std::printf("Numora file name (the %s suffix can be omitted) : ", kConstantFileSuffix);
    const std::string typed = ReadWord();
    std::string used;
    if (FILE* f = OpenConstantFile(typed, &used)) {
      LoadFrom(f, used);
      return;
    }
    std::printf("Neither %s nor %s can be opened.\n", typed.c_str(), used.c_str());
    if (attempt + 1 >= kMaxBadAnswers) TooManyInvalidAnswers();
    std::printf("This file does not exists. Please type an existing file name.\n");
  }
}

FILE* UserConstantComputation::OpenConstantFile(const std::string& typed, std::string* used) {
  *used = typed;
  FILE* f = std::fopen(used->c_str(), "r");
  if (f == nullptr) {
    *used = typed + kConstantFileSuffix;
    f = std::fopen(used->c_str(), "r");
  }
  return f;
}

void UserConstantComputation::LoadFrom(FILE* f, const std::string& used) {
  std::string why;
  const int ok = Unstream(f, &why);
  std::fclose(f);
  if (!ok)
    SystemError("Correct the file (see help.txt), or define the constant again with menu "
                "entry 5.",
                "%s\nThe user constant file %s is damaged or incomplete.", why.c_str(),
                used.c_str());

  std::printf("%s", kLoadedStars);
  std::printf("*              Constant file loaded               *\n");
  std::printf("%s", kLoadedStars);
  std::printf("\n");
  std::printf("  Constant name : %s\n", name_.c_str());
  std::printf("  Comments : \n");
  std::printf("%s\n", comments_.c_str());
  std::printf("  Constant approximate value = %.12lf\n", ApproximateValue());
  std::printf("--------------------------------------------------\n");
  std::printf("\n");
}

int UserConstantComputation::Unstream(FILE* file, std::string* why) {
  ConstantFileReader in(file);
  name_.clear();
  comments_.clear();
  betas_.clear();
  betaTexts_.clear();
  series_.clear();

  if (!in.SkipToColon() || !in.SkipToColon() || !in.ReadWord(&name_) ||
      !IsValidConstantName(name_)) {
    *why = "Error while unstreaming, the constant name is missing or not valid";
    return 0;
  }
  if (!in.SkipToColon() || !in.ReadComments(&comments_)) {
    *why = "Error while unstreaming, the comments do not end with the line \".\"";
    return 0;
  }
  long n;
  if (!in.SkipToColon() || !in.ReadLong(&n) || n <= 0 || n > kMaxSeries) {
    *why = "Error while unstreaming, number of series is not valid";
    return 0;
  }
  for (long i = 0; i < n; i++) {
    const std::string which = "\n(series number " + std::to_string(i) + ")";
    std::string text;
    Fraction beta;
    if (!in.SkipToColon() || !in.ReadWord(&text) || !beta.ParseFraction(text.c_str())) {
      *why = "Error while unstreaming, a beta value is corrupted" + which;
      return 0;
    }
    long type;
    if (!in.SkipToColon() || !in.ReadLong(&type)) {
      *why = "Error while unstreaming, the series type is missing" + which;
      return 0;
    }
    if (type < kGeneralSeries || type > kLogSeries) {
      *why = "Unknown type" + which;
      return 0;
    }
    auto h = std::make_unique<Hypergeom>(static_cast<int>(type));
    std::string reason;
    if (!h->Unstream(in, &reason)) {
      *why = reason + which;
      return 0;
    }
    // A file may have been written by hand: its series get the checks of the dialogue.
    if (!h->CheckSeries()) {
      *why = "Error while unstreaming hypergeometric series\n(series number " + std::to_string(i) +
             " is not a convergent series that can be computed)";
      return 0;
    }
    betas_.push_back(beta);
    betaTexts_.push_back(text);
    series_.push_back(std::move(h));
  }
  return 1;
}

double UserConstantComputation::ApproximateValue() const {
  double s = 0;
  for (size_t i = 0; i < series_.size(); i++)
    s += FractionValue(betas_[i]) * series_[i]->ApproximateValue();
  return s;
}

// ---------------------------------------------------------------- computation

int UserConstantComputation::Compute() {
  const long L = static_cast<long>(std::trunc((Digits + 100) * std::log(10.0) / std::log(1e12)));
  BigInt* sum = nullptr;
  for (long i = 0; i < GetSeriesCount(); i++) {
    Hypergeom& h = *series_[i];
    h.SetParameters(Digits, FFTSize, Mode);
    ProgressPrint("=====> COMPUTING SERIES NUMBER %ld <=====\n", i);
    ProgressUpdate("User constant: series", static_cast<double>(i) / GetSeriesCount());
    // The weight goes into the series' own alpha and beta: exact, whatever
    // the size of its numerator and denominator.
    h.Scale(betas_[i]);
    h.Compute();
    BigInt* r = h.GetResultNumber();
    h.Result = nullptr;
    if (sum == nullptr) {
      sum = r;
      continue;
    }
    BigInt t;
    t.Alloc(L + 2);
    AddBigIntAligned(*sum, *r, t);
    t.CopyTo(*sum);
    t.Free();
    r->Free();
    delete r;
  }
  ProgressEnd();
  Result = sum;
  return 1;
}

void UserConstantComputation::EstimateMemory(long fftSize, double* memory,
                                             double* diskMemory) const {
  double most = 0, disk = 0;
  for (const auto& h : series_) {
    h->SetParameters(Digits, fftSize, Mode);
    double m, d;
    h->EstimateMemory(fftSize, &m, &d);
    most = std::max(most, m);
    disk = std::max(disk, d);
  }
  // While a later series runs, the sum of the earlier ones holds the first
  // series' result.
  if (series_.size() > 1) {
    const long sum = std::max(static_cast<long>((Digits + 100) / 12) + 1, fftSize / 3) + 2;
    most += LimbStorage::Bytes(sum);
  }
  *memory = most;
  *diskMemory = disk;
}

// ------------------------------------------------------------ menu entries

void DefineUserConstant() {
  UserConstantComputation constant;
  constant.Define();
}

ConstantComputation* LoadUserConstant() {
  auto* constant = new UserConstantComputation;
  constant->LoadUserConstantFile();
  return constant;
}

ConstantComputation* LoadUserConstant(const std::string& file) {
  std::string used;
  FILE* f = UserConstantComputation::OpenConstantFile(file, &used);
  if (f == nullptr)
    Refuse("Neither %s nor %s can be opened: no such user constant file.", file.c_str(),
           used.c_str());
  auto* constant = new UserConstantComputation;
  constant->LoadFrom(f, used);
  return constant;
}
