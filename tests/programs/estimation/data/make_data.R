# Makes the data sets of the estimation tests (run from this folder with
# Rscript --vanilla make_data.R). Values are rounded to the digits written, so
# that every reader gets the same doubles from the text.
set.seed(20240611)

# Binary choice: 500 observations, probit-generated.
n <- 500
x1 <- round(rnorm(n), 4)
x2 <- round(runif(n, 0, 2), 4)
x3 <- rbinom(n, 1, 0.4)
y <- as.integer(0.3 + 0.8 * x1 - 0.6 * x2 + 0.5 * x3 + rnorm(n) > 0)
write.csv(data.frame(y, x1, x2, x3), "binary.csv", row.names = FALSE, quote = FALSE)

# Counts: 400 observations of a Poisson regression with an exposure.
n <- 400
x1 <- round(rnorm(n), 4)
x2 <- rbinom(n, 1, 0.5)
expo <- round(runif(n, 0.5, 3), 3)
y <- rpois(n, expo * exp(0.5 + 0.3 * x1 - 0.4 * x2))
write.csv(data.frame(y, x1, x2, expo), "counts.csv", row.names = FALSE, quote = FALSE)

# Linear regression with heteroskedastic, autocorrelated errors: 200 periods.
n <- 200
x1 <- round(rnorm(n), 4)
x2 <- round(cumsum(rnorm(n)) / 5, 4)
u <- as.numeric(arima.sim(list(ar = 0.5), n)) * (1 + abs(x1))
y <- round(1 + 0.5 * x1 - 0.25 * x2 + u, 4)
write.csv(data.frame(y, x1, x2), "regression.csv", row.names = FALSE, quote = FALSE)

# GARCH(1,1) returns: mu 0.05, omega 0.1, alpha 0.1, beta 0.8, normal shocks,
# 1000 observations after 500 discarded.
n <- 1500
z <- rnorm(n)
e <- numeric(n); h <- numeric(n)
h[1] <- 0.1 / (1 - 0.1 - 0.8)
e[1] <- sqrt(h[1]) * z[1]
for (t in 2:n) {
  h[t] <- 0.1 + 0.1 * e[t - 1]^2 + 0.8 * h[t - 1]
  e[t] <- sqrt(h[t]) * z[t]
}
r <- round(0.05 + e[501:n], 6)
write.csv(data.frame(r), "garch.csv", row.names = FALSE, quote = FALSE)
