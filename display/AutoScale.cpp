#include "display/AutoScale.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "cdl/c_format.h"

namespace {

const char kNegativeDivisions[] = "AutoScale:Number of dividinf scale is less than zero\n";

// Truncates toward zero like a C cast to int, but saturates instead of invoking
// undefined behaviour for values outside the int range (and maps NaN to 0).
std::int32_t TruncToInt(double v)
{
    if (std::isnan(v))
        return 0;
    if (v >= 2147483647.0)
        return 2147483647;
    if (v <= -2147483648.0)
        return -2147483647 - 1;
    return static_cast<std::int32_t>(v);
}

// Integer part of the decimal logarithm, one less below 1 (floor for non-powers).
std::int32_t DecadeOf(double v)
{
    std::int32_t e = TruncToInt(std::log10(v));
    if (v < 1.0)
        --e;
    return e;
}

[[noreturn]] void Fail(const char* message)
{
    std::fputs(message, stderr);
    std::fflush(stderr);
    std::abort();
}

void ScaleLinear(AutoScaleParam* p, double lo, double hi, std::int32_t n)
{
    const double range = std::fabs(hi - lo);
    for (std::int32_t m = n; m > 0; m /= 2) {
        const double d = range / m;
        const std::int32_t e = DecadeOf(d);
        const double pw = std::pow(10.0, e);
        const double r = d / pw;
        double f;
        if (r <= 1.5)
            f = 1.0;
        else if (r <= 3.0)
            f = 2.0;
        else if (r <= 3.5)
            f = 3.0;
        else if (r <= 4.5)
            f = 4.0;
        else if (r <= 7.5)
            f = 5.0;
        else
            f = 10.0;
        const double step = f * pw;
        p->sexp = static_cast<double>(e);

        std::int32_t i = TruncToInt(lo / step);
        if (lo < 0.0)
            --i;
        p->smin = i * step;
        std::int32_t j = TruncToInt(hi / step) + 1;
        if (hi < 0.0)
            --j;
        p->smax = j * step;
        p->sdiv = TruncToInt((p->smax - p->smin) / step + 0.5);
        if (p->sdiv <= 10)
            return;
    }
    Fail(kNegativeDivisions);
}

void ScaleLog(AutoScaleParam* p, double lo, double hi)
{
    if (lo <= 0.0 || hi <= 0.0) {
        static const auto fmt = CFormat::parse("%f", ValueKind::Floating);
        std::string text = "AutoScale:vvi,vva=";
        fmt->append(text, lo);
        text += ',';
        fmt->append(text, hi);
        text += '\n';
        std::fputs("AutoScale:log scale value invalid\n", stderr);
        Fail(text.c_str());
    }
    const std::int32_t a = DecadeOf(hi);
    p->smax = std::pow(10.0, a + 1);
    const std::int32_t b = DecadeOf(lo);
    p->smin = std::pow(10.0, b);
    p->sdiv = a - b + 1;
    if (p->sdiv < 0)
        Fail(kNegativeDivisions);
    p->sexp = 0.0;
}

} // namespace

void AutoScale(AutoScaleParam* param)
{
    std::int32_t n = param->ndiv;
    if (n < 1) {
        std::fputs(kNegativeDivisions, stderr);
        std::fputs("AutoScale:Reset to 1\n", stderr);
        n = 1;
    }
    double lo = param->vvi;
    double hi = param->vva;
    if (param->vvi == param->vva) {
        if (param->vvi != 0.0) {
            lo = param->vvi - 0.5 * param->vvi;
            hi = param->vva + 0.5 * param->vvi;
        } else {
            lo = -1.0;
            hi = 1.0;
        }
    }
    if (param->type == 1)
        ScaleLinear(param, lo, hi, n);
    else if (param->type == 2)
        ScaleLog(param, lo, hi);
    else
        Fail("AutoScale:Unknown sacle type\n");
}
