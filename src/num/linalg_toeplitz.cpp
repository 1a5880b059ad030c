#include "num/linalg_toeplitz.h"

#include <cmath>
#include <vector>

#include "num/linalg_eps.h"

namespace kj::num {

// With t = r / r[0] (unit diagonal): Durbin's recursion for the prediction
// coefficients y and their error variances beta, interleaved with the
// solution x of the growing leading systems. det T = r0^m times the product
// of the betas.
int toeplitz_solve(const double* r, int m, double* b, double* logdet) {
    if (m <= 0) {
        if (logdet) *logdet = 0;
        return 0;
    }
    const double r0 = r[0];
    if (!(r0 > 0)) return 1;
    auto t = [&](int i) { return r[i] / r0; };
    std::vector<double> x(static_cast<std::size_t>(m)), y(static_cast<std::size_t>(m)), z(static_cast<std::size_t>(m));
    x[0] = b[0] / r0;
    double sumlog = 0;
    if (m > 1) {
        double alpha = -t(1), beta = 1;
        y[0] = alpha;
        const double eps = invert_eps();
        for (int k = 1; k < m; ++k) {
            beta *= 1 - alpha * alpha;
            if (!(beta > eps)) return 1;
            sumlog += std::log(beta);
            double s = b[k] / r0;
            for (int i = 0; i < k; ++i) s -= t(i + 1) * x[k - 1 - i];
            const double mu = s / beta;
            for (int i = 0; i < k; ++i) z[i] = x[i] + mu * y[k - 1 - i];
            for (int i = 0; i < k; ++i) x[i] = z[i];
            x[k] = mu;
            if (k < m - 1) {
                double a = -t(k + 1);
                for (int i = 0; i < k; ++i) a -= t(i + 1) * y[k - 1 - i];
                alpha = a / beta;
                for (int i = 0; i < k; ++i) z[i] = y[i] + alpha * y[k - 1 - i];
                for (int i = 0; i < k; ++i) y[i] = z[i];
                y[k] = alpha;
            }
        }
    }
    for (int i = 0; i < m; ++i) b[i] = x[i];
    if (logdet) *logdet = m * std::log(r0) + sumlog;
    return 0;
}

}  // namespace kj::num
