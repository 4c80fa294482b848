#include "transfer/mplus_input.h"

#include "support/number_format.h"

namespace s2v {

namespace {

constexpr std::string_view kListContinuation = "                 ";  // 17 blanks
constexpr std::string_view kModelHead = "!      ";

constexpr std::string_view kTemplateStart[] = {
    "Variables with less than 10 values are regarded as categorical",
    "Dummy is a random variable with a standardized normal distribution",
    "      which is uncorrelated to other variables",
    "It has been included to enable calculation of polychoric correlation",
    "between all categorical variables;",
};

constexpr std::string_view kAnalysis[] = {
    "!DEFINE:            new variable here;", "!SAVEDATA:          save data and/or results",
    "!ANALYSIS:           TYPE = GENERAL",    "!    This is the default type. Other options are: BASIC EFA LOGISTIC ",
    "!                    ESTIMATOR = ",      "!                    MATRIX = COVARIANCE or CORRELATION",
    "MODEL:             !model here;",
};

constexpr std::string_view kOutput[] = {
    "OUTPUT:            SAMPSTAT;RESIDUAL;CINTERVAL;MODINDICES(0);",
    "!Other output options are: ",
    "      STANDARDIZED;     !Standardized coefficients",
    "!      H1SE;             !Standard errors for the H1 model",
    "!      H1TECH3;          !Estimated covar and corr matrices for parameter estimates",
    "!      PATTERNS;         !Summary of missing data patterns",
    "!      FSCOEFFICIENT;    !Factor score coefficients and posterior covar matrix",
    "!      FSDERTERMINACY;   !Factor score determinacy for each factor",
    "!      TECH1;            !Parameter specifications and starting values",
    "!      TECH2             !Parameter derivatives;",
    "!      TECH3;            !Covar and Corr matrices for estimates",
    "!      TECH4;            !Estimated means and covar for the latent variables",
    "!      TECH5;            !Optimization matrix",
    "!      TECH6;            !Optimization for categorical variables",
    "!      TECH7;            !output for type Mixture",
    "!      TECH8;            !Output for type mixture",
    "!      TECH9;            !Error messages for MC study",
    "!MONTECARLO:              File is",
};

}  // namespace

std::string MplusName(const VariableDefinition& variable, int i) {
  return i <= 26 ? std::string(1, variable.Letter) : "V" + FormatInteger(i);
}

bool IsMplusCategorical(const VariableDefinition& variable, int choice) {
  if (choice == 2) return true;
  return variable.Bounds.back() - variable.Bounds.front() + 1 < 10;
}

void PutWrappedList(BufferedWriter& out, std::string_view head, std::string_view continuation,
                    const std::vector<std::string>& items) {
  std::string line(head);
  bool freshContinuation = false;  // an item too long for any line goes on one of its own
  for (const std::string& item : items) {
    if (!freshContinuation && line.size() + 1 + item.size() > kMplusLineLimit) {
      out.PutLine(line);
      line = continuation;
      freshContinuation = true;
    }
    line += ' ';
    line += item;
    freshContinuation = false;
  }
  out.PutLine(line);
}

void WriteMplusInput(BufferedWriter& out, const std::string& projectBase, const std::string& dataFileName,
                     const ProjectDefinition& definition, int choice) {
  const std::vector<VariableDefinition>& variables = definition.Variables;
  std::vector<std::string> names;
  for (std::size_t i = 0; i < variables.size(); ++i) names.push_back(MplusName(variables[i], static_cast<int>(i) + 1));

  out.PutLine("TITLE: " + projectBase);
  out.PutLine("Uncategorized variables:");
  for (std::size_t i = 0; i < variables.size(); ++i) out.PutLine(RightAlign(names[i], 3) + " = " + variables[i].Name);
  for (std::string_view line : kTemplateStart) out.PutLine(line);
  out.PutLine("DATA:             FILE IS   " + dataFileName + ";");
  out.PutLine("                  FORMAT IS free;");
  out.PutLine("                  TYPE IS   individual;");

  std::vector<std::string> items = names;
  items.push_back("Dummy;");
  PutWrappedList(out, "VARIABLE:         NAMES ARE", kListContinuation, items);
  out.PutLine(choice == 1 ? "                  MISSING ARE ALL(-999);" : "                  MISSING ARE ALL(0);");
  out.PutLine("!                  USEVARIABLES ARE");

  items.clear();
  for (std::size_t i = 0; i < variables.size(); ++i)
    if (IsMplusCategorical(variables[i], choice)) items.push_back(names[i]);
  constexpr std::string_view kCategoricalHead = "                  CATEGORICAL ARE";
  if (items.empty()) {
    out.PutLine(std::string(kCategoricalHead) + ";");
  } else {
    items.back() += ';';
    PutWrappedList(out, kCategoricalHead, kListContinuation, items);
  }

  for (std::string_view line : kAnalysis) out.PutLine(line);
  items = names;
  items.push_back("on");
  items.push_back("Dummy@0;");
  PutWrappedList(out, kModelHead, kModelHead, items);
  for (std::string_view line : kOutput) out.PutLine(line);
}

}  // namespace s2v
