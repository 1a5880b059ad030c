# Reference values of the estimation tests computed with R's glm and by the
# textbook covariance formulas (Rscript --vanilla references.R, from this
# folder). The tests store the printed numbers.
options(digits = 17)
show <- function(name, v) cat(name, sprintf("%.17g", v), "\n")
ctl <- glm.control(epsilon = 1e-15, maxit = 100)

d <- read.csv("binary.csv")
X <- cbind(1, d$x1, d$x2, d$x3)
for (link in c("probit", "logit")) {
  m <- glm(y ~ x1 + x2 + x3, family = binomial(link = link), data = d, control = ctl)
  b <- coef(m)
  show(paste(link, "coef"), b)
  show(paste(link, "loglik"), as.numeric(logLik(m)))
  # Standard errors from the observed information: the negative inverse of
  # the analytic Hessian of the log-likelihood.
  z <- drop(X %*% b)
  if (link == "logit") {
    p <- plogis(z)
    w <- p * (1 - p)
  } else {
    q <- 2 * d$y - 1
    m_ <- exp(dnorm(q * z, log = TRUE) - pnorm(q * z, log.p = TRUE))
    w <- m_ * (m_ + q * z)
  }
  H <- crossprod(X * w, X)
  show(paste(link, "se"), sqrt(diag(solve(H))))
}

d <- read.csv("counts.csv")
m <- glm(y ~ x1 + x2, family = poisson, offset = log(expo), data = d, control = ctl)
show("poisson coef", coef(m))
show("poisson loglik", as.numeric(logLik(m)))
show("poisson se", sqrt(diag(vcov(m))))

d <- read.csv("regression.csv")
X <- cbind(1, d$x1, d$x2)
y <- d$y
n <- nrow(X); k <- ncol(X)
XtXi <- solve(crossprod(X))
b <- drop(XtXi %*% crossprod(X, y))
e <- drop(y - X %*% b)
show("ols coef", b)
show("ols loglik", as.numeric(logLik(lm(y ~ x1 + x2, data = d))))
show("ols se", sqrt(diag(sum(e^2) / (n - k) * XtXi)))
h <- rowSums((X %*% XtXi) * X)
sandwich_se <- function(u) sqrt(diag(XtXi %*% crossprod(X * u) %*% XtXi))
show("hc0 se", sandwich_se(e))
show("hc1 se", sandwich_se(e) * sqrt(n / (n - k)))
show("hc2 se", sandwich_se(e / sqrt(1 - h)))
show("hc3 se", sandwich_se(e / (1 - h)))
# Newey-West, Bartlett weights, L lags, no prewhitening or small-sample factor.
for (L in c(4, 8)) {
  Xe <- X * e
  S <- crossprod(Xe)
  for (l in 1:L) {
    G <- crossprod(Xe[(l + 1):n, , drop = FALSE], Xe[1:(n - l), , drop = FALSE])
    S <- S + (1 - l / (L + 1)) * (G + t(G))
  }
  show(paste("nw", L, "se"), sqrt(diag(XtXi %*% S %*% XtXi)))
}
