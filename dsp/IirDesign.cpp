#include "dsp/IirDesign.h"

#include <algorithm>
#include <cmath>

namespace {

using cd = std::complex<double>;

// Analog low-pass prototype with its edge at 1 rad/s, and its gain at DC.
struct Prototype {
    std::vector<cd> zeros, poles;
    double dcGain = 1.0;
};

// A root of a real polynomial and its conjugate, exactly mirrored.
void addPair(std::vector<cd> &roots, cd r)
{
    roots.push_back(r);
    roots.push_back(std::conj(r));
}

Prototype butterworth(int n)
{
    Prototype p;
    for (int k = 1; k <= n / 2; ++k) {
        const double theta = M_PI * (2 * k - 1) / (2.0 * n);
        addPair(p.poles, cd(-std::sin(theta), std::cos(theta)));
    }
    if (n % 2)
        p.poles.push_back(-1.0);
    return p;
}

Prototype chebyshev(int n, double rippleDb)
{
    const double eps = std::sqrt(std::pow(10.0, rippleDb / 10.0) - 1.0);
    const double mu = std::asinh(1.0 / eps) / n;
    Prototype p;
    for (int k = 1; k <= n / 2; ++k) {
        const double theta = M_PI * (2 * k - 1) / (2.0 * n);
        addPair(p.poles, cd(-std::sinh(mu) * std::sin(theta), std::cosh(mu) * std::cos(theta)));
    }
    if (n % 2)
        p.poles.push_back(-std::sinh(mu));
    // Even orders start the ripple at its bottom.
    p.dcGain = n % 2 ? 1.0 : 1.0 / std::sqrt(1.0 + eps * eps);
    return p;
}

Prototype inverseChebyshev(int n, double attenuationDb)
{
    const double eps = 1.0 / std::sqrt(std::pow(10.0, attenuationDb / 10.0) - 1.0);
    const double mu = std::asinh(1.0 / eps) / n;
    Prototype p;
    for (int k = 1; k <= n / 2; ++k) {
        const double theta = M_PI * (2 * k - 1) / (2.0 * n);
        addPair(p.poles, 1.0 / cd(-std::sinh(mu) * std::sin(theta), std::cosh(mu) * std::cos(theta)));
        addPair(p.zeros, cd(0.0, 1.0 / std::cos(theta)));
    }
    if (n % 2)
        p.poles.push_back(-1.0 / std::sinh(mu));
    return p;
}

// --- Jacobi elliptic functions through descending Landen transformations ----------------
// Moduli are carried with their complements, k' = sqrt(1 - k^2), each computed without the
// cancellation that k near 1 would cause.

std::vector<double> landen(double k, double kp)
{
    std::vector<double> v;
    for (int i = 0; i < 64 && k > 1e-18; ++i) {
        const double next = (k / (1.0 + kp)) * (k / (1.0 + kp));
        kp = 2.0 * std::sqrt(kp) / (1.0 + kp);
        k = next;
        v.push_back(k);
    }
    return v;
}

double completeK(double k, double kp)
{
    double K = M_PI / 2;
    for (double vn : landen(k, kp))
        K *= 1.0 + vn;
    return K;
}

// Ascending the Landen chain from the circular value w.
cd ascend(cd w, const std::vector<double> &v)
{
    for (size_t n = v.size(); n-- > 0;)
        w = (1.0 + v[n]) * w / (1.0 + v[n] * w * w);
    return w;
}

// cd(uK, k) and sn(uK, k), u in units of the quarter period K.
cd cde(cd u, double k, double kp) { return ascend(std::cos(u * (M_PI / 2)), landen(k, kp)); }
cd sne(cd u, double k, double kp) { return ascend(std::sin(u * (M_PI / 2)), landen(k, kp)); }

double symmetricRemainder(double x, double y)
{
    double z = std::fmod(x, y);
    if (std::fabs(z) > y / 2)
        z -= std::copysign(y, z);
    return z;
}

// u with cd(uK, k) = w, reduced into the fundamental rectangle.
cd acde(cd w, double k, double kp)
{
    const std::vector<double> v = landen(k, kp);
    for (size_t n = 0; n < v.size(); ++n) {
        const double previous = n == 0 ? k : v[n - 1];
        w = w / (1.0 + std::sqrt(1.0 - w * w * previous * previous)) * 2.0 / (1.0 + v[n]);
    }
    const cd u = 2.0 / M_PI * std::acos(w);
    const double ratio = completeK(kp, k) / completeK(k, kp);
    return cd(symmetricRemainder(u.real(), 4.0), symmetricRemainder(u.imag(), 2.0 * ratio));
}

cd asne(cd w, double k, double kp) { return 1.0 - acde(w, k, kp); }

Prototype elliptic(int n, double rippleDb, double attenuationDb)
{
    const double ep = std::sqrt(std::pow(10.0, rippleDb / 10.0) - 1.0);
    const double es = std::sqrt(std::pow(10.0, attenuationDb / 10.0) - 1.0);
    const double k1 = ep / es, k1p = std::sqrt((1.0 - k1) * (1.0 + k1));
    // Degree equation: the selectivity k that order n reaches with discrimination k1.
    double kp = std::pow(k1p, n);
    for (int i = 1; i <= n / 2; ++i)
        kp *= std::pow(sne((2.0 * i - 1) / n, k1p, k1).real(), 4);
    const double k = std::sqrt((1.0 - kp) * (1.0 + kp));

    const cd v0 = cd(0.0, -1.0) * asne(cd(0.0, 1.0 / ep), k1, k1p) / double(n);
    Prototype p;
    for (int i = 1; i <= n / 2; ++i) {
        const double u = (2.0 * i - 1) / n;
        addPair(p.zeros, cd(0.0, 1.0 / (k * cde(u, k, kp).real())));
        const cd pole = cd(0.0, 1.0) * cde(u - cd(0.0, 1.0) * v0, k, kp);
        addPair(p.poles, cd(-std::fabs(pole.real()), std::fabs(pole.imag())));
    }
    if (n % 2)
        p.poles.push_back(-std::fabs((cd(0.0, 1.0) * sne(cd(0.0, 1.0) * v0, k, kp)).real()));
    p.dcGain = n % 2 ? 1.0 : 1.0 / std::sqrt(1.0 + ep * ep);
    return p;
}

// --- Bessel: roots of the reverse Bessel polynomial, scaled to -3.01 dB at 1 rad/s -------

Prototype bessel(int n)
{
    using cl = std::complex<long double>;
    // theta_n(s) = sum a_k s^k, a_n = 1, a_(k-1) / a_k = (2n - k + 1) k / (2 (n - k + 1)).
    std::vector<long double> a(static_cast<size_t>(n) + 1);
    a[size_t(n)] = 1.0L;
    for (int k = n; k >= 1; --k)
        a[size_t(k) - 1] = a[size_t(k)] * (2.0L * n - k + 1) * k / (2.0L * (n - k + 1));
    auto poly = [&](cl s, cl &derivative) {
        cl value = 0.0L;
        derivative = 0.0L;
        for (int k = n; k >= 0; --k) {
            derivative = derivative * s + value;
            value = value * s + a[size_t(k)];
        }
        return value;
    };
    // Aberth-Ehrlich iteration from a circle of the roots' mean radius.
    const long double radius = std::pow(a[0], 1.0L / n);
    std::vector<cl> roots(static_cast<size_t>(n));
    for (int j = 0; j < n; ++j)
        roots[size_t(j)] = std::polar(radius, (long double)(M_PI * (2 * j + 1.5) / n));
    for (int iteration = 0; iteration < 500; ++iteration) {
        long double largest = 0.0L;
        for (int j = 0; j < n; ++j) {
            cl derivative;
            const cl value = poly(roots[size_t(j)], derivative);
            const cl ratio = value / derivative;
            cl sum = 0.0L;
            for (int i = 0; i < n; ++i)
                if (i != j)
                    sum += 1.0L / (roots[size_t(j)] - roots[size_t(i)]);
            const cl step = ratio / (1.0L - ratio * sum);
            roots[size_t(j)] -= step;
            largest = std::max(largest, std::abs(step) / std::abs(roots[size_t(j)]));
        }
        if (largest < 1e-18L)
            break;
    }
    // |H(jw)|^2 = a0^2 / |theta(jw)|^2 falls monotonically: bisect for one half.
    auto gainSquared = [&](long double w) {
        cl derivative;
        return a[0] * a[0] / std::norm(poly(cl(0.0L, w), derivative));
    };
    long double lo = 1e-3L, hi = 1e3L;
    for (int i = 0; i < 200; ++i) {
        const long double mid = std::sqrt(lo * hi);
        (gainSquared(mid) > 0.5L ? lo : hi) = mid;
    }
    const long double w3 = std::sqrt(lo * hi);
    Prototype p;
    for (const cl &r : roots) {
        const cd s(double(r.real() / w3), double(r.imag() / w3));
        if (s.imag() > 1e-9 * std::abs(s))
            addPair(p.poles, cd(-std::fabs(s.real()), s.imag()));
        else if (std::fabs(s.imag()) <= 1e-9 * std::abs(s))
            p.poles.push_back(-std::fabs(s.real()));
    }
    if (int(p.poles.size()) != n)
        p.poles.clear(); // the iteration did not separate the roots
    return p;
}

// --- From the prototype to the digital cascade ----------------------------------------

// z = (1 + s) / (1 - s), written so that conjugate inputs give exactly conjugate outputs.
cd bilinear(cd s)
{
    const double x = s.real(), y = s.imag();
    const double d = (1.0 - x) * (1.0 - x) + y * y;
    return cd((1.0 - x * x - y * y) / d, 2.0 * y / d);
}

struct Digital {
    std::vector<cd> zeros, poles;
};

// Band transformation of the prototype at prewarped edges w1 < w2, then the bilinear map.
Digital transform(const Prototype &proto, int band, double w1, double w2)
{
    Digital d;
    const int deficit = int(proto.poles.size() - proto.zeros.size());
    const double bw = w2 - w1, w0sq = w1 * w2;
    auto map = [&](const std::vector<cd> &roots, std::vector<cd> &out) {
        for (const cd &r : roots) {
            switch (band) {
            case 0:
                out.push_back(bilinear(r * w1));
                break;
            case 1:
                out.push_back(bilinear(w1 / r));
                break;
            default: {
                const cd a = band == 2 ? r * (bw / 2) : (bw / 2) / r;
                const cd root = std::sqrt(a * a - w0sq);
                out.push_back(bilinear(a + root));
                out.push_back(bilinear(a - root));
            }
            }
        }
    };
    map(proto.zeros, d.zeros);
    map(proto.poles, d.poles);
    // The prototype's zeros at infinity.
    for (int i = 0; i < deficit; ++i) {
        switch (band) {
        case 0:
            d.zeros.push_back(-1.0);
            break;
        case 1:
            d.zeros.push_back(1.0);
            break;
        case 2:
            d.zeros.push_back(1.0);
            d.zeros.push_back(-1.0);
            break;
        default:
            addPair(d.zeros, bilinear(cd(0.0, std::sqrt(w0sq))));
        }
    }
    return d;
}

// Roots split into one of each conjugate pair (upper half) and the real ones.
struct Split {
    std::vector<cd> complex;
    std::vector<double> real;
};

bool split(const std::vector<cd> &roots, Split &s)
{
    int lower = 0;
    for (const cd &r : roots) {
        const double tol = 1e-13 * std::max(1.0, std::abs(r));
        if (r.imag() > tol)
            s.complex.push_back(r);
        else if (r.imag() < -tol)
            ++lower;
        else
            s.real.push_back(r.real());
    }
    return lower == int(s.complex.size());
}

double circleDistance(cd p) { return std::fabs(1.0 - std::abs(p)); }

template <typename T> size_t nearest(const std::vector<T> &roots, cd to)
{
    size_t best = 0;
    for (size_t i = 1; i < roots.size(); ++i)
        if (std::abs(cd(roots[i]) - to) < std::abs(cd(roots[best]) - to))
            best = i;
    return best;
}

template <typename T> T take(std::vector<T> &roots, size_t i)
{
    const T r = roots[i];
    roots.erase(roots.begin() + long(i));
    return r;
}

// Numerator or denominator of a section: (1 - r1 z^-1)(1 - r2 z^-1).
void quadratic(cd r, double &c1, double &c2)
{
    c1 = -2.0 * r.real();
    c2 = std::norm(r);
}

// The zeros for a pole pair: the nearest conjugate pair, or else the two nearest real zeros.
void pairZeros(Split &zeros, cd pole, Biquad &s)
{
    if (!zeros.complex.empty()) {
        quadratic(take(zeros.complex, nearest(zeros.complex, pole)), s.b1, s.b2);
        return;
    }
    const double z1 = take(zeros.real, nearest(zeros.real, pole));
    const double z2 = take(zeros.real, nearest(zeros.real, pole));
    s.b1 = -(z1 + z2);
    s.b2 = z1 * z2;
}

bool sections(const Digital &d, std::vector<Biquad> &out)
{
    Split poles, zeros;
    if (!split(d.poles, poles) || !split(d.zeros, zeros) || d.poles.size() != d.zeros.size())
        return false;
    std::sort(poles.complex.begin(), poles.complex.end(),
              [](cd a, cd b) { return circleDistance(a) < circleDistance(b); });
    std::sort(poles.real.begin(), poles.real.end(),
              [](double a, double b) { return std::fabs(a) > std::fabs(b); });
    std::vector<Biquad> result;
    for (const cd &p : poles.complex) {
        Biquad s;
        quadratic(p, s.a1, s.a2);
        pairZeros(zeros, p, s);
        result.push_back(s);
    }
    for (size_t i = 0; i < poles.real.size(); i += 2) {
        Biquad s;
        const double p1 = poles.real[i];
        if (i + 1 < poles.real.size()) {
            const double p2 = poles.real[i + 1];
            s.a1 = -(p1 + p2);
            s.a2 = p1 * p2;
            pairZeros(zeros, p1, s);
        } else {
            s.a1 = -p1;
            s.b1 = -take(zeros.real, nearest(zeros.real, p1));
        }
        result.push_back(s);
    }
    // Poles nearest the unit circle last: their resonance meets a signal already shaped.
    std::reverse(result.begin(), result.end());
    out = result;
    return true;
}

bool finite(const Biquad &s)
{
    return std::isfinite(s.b0) && std::isfinite(s.b1) && std::isfinite(s.b2) &&
           std::isfinite(s.a1) && std::isfinite(s.a2);
}

bool validParams(const IirParams &s)
{
    const bool twoEdges = s.band == 2 || s.band == 3;
    const bool ripple = s.family == IirChebyshev || s.family == IirElliptic;
    const bool attenuation = s.family == IirInverseChebyshev || s.family == IirElliptic;
    return s.family >= IirButterworth && s.family <= IirBessel && s.band >= 0 && s.band <= 3 &&
           s.order >= 1 && s.order <= maxIirOrder(s.family) && s.fs > 0 && std::isfinite(s.fs) &&
           s.f1 > 0 && s.f1 < s.fs / 2 && (!twoEdges || (s.f2 > s.f1 && s.f2 < s.fs / 2)) &&
           (!ripple || (s.rippleDb > 0 && s.rippleDb <= 300)) &&
           (!attenuation || (s.attenuationDb > 0 && s.attenuationDb <= 300)) &&
           (s.family != IirElliptic || s.attenuationDb > s.rippleDb);
}

} // namespace

int maxIirOrder(int family) { return family == IirBessel ? 25 : 40; }

bool isStable(const Biquad &s)
{
    if (s.a2 == 0.0)
        return std::fabs(s.a1) < 1.0;
    return std::fabs(s.a2) < 1.0 && std::fabs(s.a1) < 1.0 + s.a2;
}

std::complex<double> cascadeResponse(const Biquad *sections, int count, double frequency)
{
    const cd z1 = std::polar(1.0, -2.0 * M_PI * frequency);
    const cd z2 = z1 * z1;
    cd h = 1.0;
    for (int i = 0; i < count; ++i) {
        const Biquad &s = sections[i];
        h *= (s.b0 + s.b1 * z1 + s.b2 * z2) / (1.0 + s.a1 * z1 + s.a2 * z2);
    }
    return h;
}

IirDesignResult designIir(const IirParams &request, std::vector<Biquad> &out)
{
    if (!validParams(request))
        return IirBadArguments;
    Prototype proto;
    switch (request.family) {
    case IirButterworth:
        proto = butterworth(request.order);
        break;
    case IirChebyshev:
        proto = chebyshev(request.order, request.rippleDb);
        break;
    case IirInverseChebyshev:
        proto = inverseChebyshev(request.order, request.attenuationDb);
        break;
    case IirElliptic:
        proto = elliptic(request.order, request.rippleDb, request.attenuationDb);
        break;
    default:
        proto = bessel(request.order);
    }
    if (proto.poles.empty())
        return IirUnstable;
    const double w1 = std::tan(M_PI * request.f1 / request.fs);
    const double w2 = request.band >= 2 ? std::tan(M_PI * request.f2 / request.fs) : w1;
    std::vector<Biquad> result;
    if (!sections(transform(proto, request.band, w1, w2), result))
        return IirUnstable;

    // Gain: the prototype's DC gain where the pass band maps it: DC, Nyquist, or the band-pass
    // centre 2 atan(sqrt(w1 w2)).
    const double reference = request.band == 1 ? 0.5
                             : request.band == 2 ? std::atan(std::sqrt(w1 * w2)) / M_PI
                                              : 0.0;
    const cd h = cascadeResponse(result.data(), int(result.size()), reference);
    if (!(std::abs(h) > 0) || !std::isfinite(std::abs(h)))
        return IirUnstable;
    const double gain = proto.dcGain / std::abs(h);
    const double each = std::pow(gain, 1.0 / double(result.size()));
    for (size_t i = 0; i < result.size(); ++i) {
        Biquad &s = result[i];
        const double g = i == 0 && h.real() < 0 ? -each : each;
        s.b0 *= g;
        s.b1 *= g;
        s.b2 *= g;
        if (!finite(s) || !isStable(s))
            return IirUnstable;
    }
    out = result;
    return IirDesigned;
}
