# Reference values of the estimation tests, computed with SciPy and NumPy
# (/usr/bin/python3 references.py, from this folder). The tests store the
# printed numbers; nothing here runs during the tests.
import numpy as np
from scipy import optimize

np.set_printoptions(precision=17)


def show(name, x, f):
    print(name, " ".join("%.17g" % v for v in np.atleast_1d(x)), "f = %.17g" % f)


def rosen(x):
    return 100 * (x[1] - x[0] ** 2) ** 2 + (1 - x[0]) ** 2


def wood(x):
    return (100 * (x[1] - x[0] ** 2) ** 2 + (1 - x[0]) ** 2 + 90 * (x[3] - x[2] ** 2) ** 2 + (1 - x[2]) ** 2
            + 10.1 * ((x[1] - 1) ** 2 + (x[3] - 1) ** 2) + 19.8 * (x[1] - 1) * (x[3] - 1))


def powell(x):
    return (x[0] + 10 * x[1]) ** 2 + 5 * (x[2] - x[3]) ** 2 + (x[1] - 2 * x[2]) ** 4 + 10 * (x[0] - x[3]) ** 4


def rosen_grad(x):
    return np.array([-400 * x[0] * (x[1] - x[0] ** 2) - 2 * (1 - x[0]), 200 * (x[1] - x[0] ** 2)])


def wood_grad(x):
    return np.array([-400 * x[0] * (x[1] - x[0] ** 2) - 2 * (1 - x[0]),
                     200 * (x[1] - x[0] ** 2) + 20.2 * (x[1] - 1) + 19.8 * (x[3] - 1),
                     -360 * x[2] * (x[3] - x[2] ** 2) - 2 * (1 - x[2]),
                     180 * (x[3] - x[2] ** 2) + 20.2 * (x[3] - 1) + 19.8 * (x[1] - 1)])


def powell_grad(x):
    a, b, c = x[0] + 10 * x[1], x[1] - 2 * x[2], x[0] - x[3]
    return np.array([2 * a + 40 * c ** 3, 20 * a + 4 * b ** 3, 10 * (x[2] - x[3]) - 8 * b ** 3,
                     -10 * (x[2] - x[3]) - 40 * c ** 3])


for name, f, g, x0 in [("rosenbrock", rosen, rosen_grad, [-1.2, 1]), ("wood", wood, wood_grad, [-3, -1, -3, -1]),
                       ("powell", powell, powell_grad, [3, -1, 0, 1])]:
    r = optimize.minimize(f, x0, jac=g, method="BFGS", options={"gtol": 1e-13, "maxiter": 10000})
    show(name + " BFGS", r.x, r.fun)
    r = optimize.minimize(f, x0, method="Nelder-Mead",
                          options={"xatol": 1e-12, "fatol": 1e-20, "maxiter": 100000, "maxfev": 100000})
    show(name + " Nelder-Mead", r.x, r.fun)

# GARCH(1,1): returns r_t = mu + e_t, h_t = omega + alpha e_{t-1}^2 + beta h_{t-1},
# h_1 = the sample variance of r (divisor T); log-likelihood
# -1/2 sum (log 2 pi + log h_t + e_t^2 / h_t).
r = np.loadtxt("garch.csv", skiprows=1)
h1 = r.var()


def garch_ll(p):
    mu, omega, alpha, beta = p
    if omega <= 0 or alpha < 0 or beta < 0 or alpha + beta >= 1:
        return -np.inf
    e = r - mu
    h = np.empty_like(r)
    h[0] = h1
    for t in range(1, len(r)):
        h[t] = omega + alpha * e[t - 1] ** 2 + beta * h[t - 1]
    return -0.5 * np.sum(np.log(2 * np.pi) + np.log(h) + e ** 2 / h)


def garch_grad(p):
    mu, omega, alpha, beta = p
    e = r - mu
    n = len(r)
    h = np.empty(n)
    dh = np.zeros((n, 4))
    h[0] = h1
    for t in range(1, n):
        h[t] = omega + alpha * e[t - 1] ** 2 + beta * h[t - 1]
        dh[t] = [-2 * alpha * e[t - 1], 1, e[t - 1] ** 2, h[t - 1]] + beta * dh[t - 1]
    dl = (-0.5 * (1 / h - e ** 2 / h ** 2))[:, None] * dh
    dl[:, 0] += e / h
    return dl.sum(axis=0)


p0 = np.array([r.mean(), 0.1 * h1, 0.1, 0.8])
r1 = optimize.minimize(lambda p: -garch_ll(p), p0, method="Nelder-Mead",
                       options={"xatol": 1e-10, "fatol": 1e-12, "maxiter": 20000, "maxfev": 20000})
r2 = optimize.minimize(lambda p: -garch_ll(p), r1.x, jac=lambda p: -garch_grad(p), method="BFGS",
                       options={"gtol": 1e-10})
# Newton steps on the analytic gradient (Hessian by its central differences)
# polish the BFGS result to the precision of doubles.
x = r2.x
for it in range(3):
    H = np.zeros((4, 4))
    for j in range(4):
        e = np.zeros(4)
        e[j] = 1e-6 * max(abs(x[j]), 1)
        H[:, j] = (garch_grad(x + e) - garch_grad(x - e)) / (2 * e[j])
    x = x - np.linalg.solve((H + H.T) / 2, garch_grad(x))
show("garch", x, garch_ll(x))
print("garch gradient", garch_grad(x))
print("garch standard errors", " ".join("%.17g" % v for v in np.sqrt(np.diag(np.linalg.inv(-(H + H.T) / 2)))))

# Systems of equations: Powell's badly scaled system and Broyden's
# tridiagonal system (n = 10, start -1), solved by MINPACK's hybrid method.
def powell_badly(x):
    return [1e4 * x[0] * x[1] - 1, np.exp(-x[0]) + np.exp(-x[1]) - 1.0001]


x = optimize.root(powell_badly, [0, 1], method="hybr", options={"xtol": 1e-15}).x
print("Powell badly scaled", " ".join("%.17g" % v for v in x), "F", powell_badly(x))


def broyden_tridiagonal(x):
    xl = np.concatenate([[0], x[:-1]])
    xr = np.concatenate([x[1:], [0]])
    return (3 - 2 * x) * x - xl - 2 * xr + 1


x = optimize.root(broyden_tridiagonal, -np.ones(10), method="hybr", options={"xtol": 1e-15}).x
print("Broyden tridiagonal", " ".join("%.17g" % v for v in x))

# Roots: Kepler's equation E - 0.5 sin E = 1.
print("Kepler %.17g" % optimize.brentq(lambda e: e - 0.5 * np.sin(e) - 1, 0, 2, xtol=1e-300, rtol=8.9e-16))
