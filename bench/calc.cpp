// CALC evaluation: one-shot parse and evaluation of typical formulas by the
// library's evaluator, against muparser doing SetExpr and Eval on the same
// texts.  muparser is given the library's names (parameters R1.., slot D0,
// the functions in degrees, PI) so that both compute the same values, which
// the set-up checks before anything is timed.
#include <muParser.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "bench.h"
#include "expr/expr.h"
#include "session/session.h"
#include "text/number.h"

namespace {

// As CALC entries hold them: upper case, no blanks.  No "=" or "<>", which
// muparser reads otherwise.
const char *const kFormulas[] = {
    "R1/100*(R2+R3)",
    "ROUND(R6/R7*60)",
    "R20-R21",
    "R20>R21",
    "D0*100",
    "SQRT(R10*R10+R11*R11)",
    "SIN(30)*R12+COS(60)*R13",
    "ATAN2(R14,R15)",
    "ABS(R16-R17)*1.25",
    "INT(R18/1000)*1000+R19/2",
    "PI*R22*R22/4",
    "(R23+R24+R25)/3",
};
constexpr int kParams = 26;
constexpr double kDegree = 0.017453292519943295;

double Value(int n) {
    return 1000 + 37 * n - (n % 3 == 0 ? 2500 : 0);
}

void CalcSession() {
    TabrixSession = _SESSION{};
    for (int n = 0; n < kParams; n++)
        TabrixSession.params[n] = {(int32_t)Value(n), PARAM_VALID};
    TabrixSession.reals[0] = 12.5;
}

double DegSin(double x) { return std::sin(x * kDegree); }
double DegCos(double x) { return std::cos(x * kDegree); }
double DegAtan2(double y, double x) { return std::atan2(y, x) / kDegree; }
double Round(double x) { return RoundToInt(x); }
double Truncate(double x) { return std::trunc(x); }

// muparser with the library's names; vars must outlive it.
void CalcMuparser(mu::Parser &p, double *vars) {
    for (int n = 0; n < kParams; n++) {
        vars[n] = Value(n);
        char name[16];
        std::snprintf(name, sizeof name, "R%d", n);
        p.DefineVar(name, &vars[n]);
    }
    vars[kParams] = 12.5;
    p.DefineVar("D0", &vars[kParams]);
    p.DefineConst("PI", 3.141592653589793);
    p.DefineFun("SIN", DegSin);
    p.DefineFun("COS", DegCos);
    p.DefineFun("ATAN2", DegAtan2);
    p.DefineFun("SQRT", static_cast<double (*)(double)>(std::sqrt));
    p.DefineFun("ABS", static_cast<double (*)(double)>(std::fabs));
    p.DefineFun("ROUND", Round);
    p.DefineFun("INT", Truncate);
}

// Both evaluators agree on every formula.
bool CalcAgree(benchmark::State &state, mu::Parser &p) {
    for (const char *f : kFormulas) {
        double ours = ExprEvaluate(nullptr, &TabrixSession, f);
        p.SetExpr(f);
        double theirs = p.Eval();
        if (TabrixSession.errorCode != 0 || std::fabs(ours - theirs) > 1e-9 * (1 + std::fabs(ours))) {
            char text[160];
            std::snprintf(text, sizeof text, "%s: %.17g against muparser's %.17g", f, ours, theirs);
            state.SkipWithError(text);
            return false;
        }
    }
    return true;
}

void CalcTabrix(benchmark::State &state) {
    CalcSession();
    for (auto _ : state)
        for (const char *f : kFormulas)
            benchmark::DoNotOptimize(ExprEvaluate(nullptr, &TabrixSession, f));
    if (!BenchFailed(state, "evaluation"))
        state.SetItemsProcessed(state.iterations() * std::size(kFormulas));
}

void CalcMuparserRun(benchmark::State &state) {
    CalcSession();
    mu::Parser p;
    double vars[kParams + 1];
    std::vector<std::string> texts(std::begin(kFormulas), std::end(kFormulas));
    try {
        CalcMuparser(p, vars);
        if (!CalcAgree(state, p))
            return;
        for (auto _ : state)
            for (const std::string &t : texts) {
                p.SetExpr(t);
                benchmark::DoNotOptimize(p.Eval());
            }
    } catch (const mu::Parser::exception_type &e) {
        state.SkipWithError(e.GetMsg().c_str());
        return;
    }
    state.SetItemsProcessed(state.iterations() * std::size(kFormulas));
}

}  // namespace

BENCHMARK(CalcTabrix)->Name("calc/tabrix");
BENCHMARK(CalcMuparserRun)->Name("calc/muparser");
