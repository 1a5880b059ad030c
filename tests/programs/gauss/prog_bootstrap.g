/*
** Bootstrap standard error of a sample mean and of a median: resampling
** with replacement through uniform draws, compared with the textbook
** standard error of the mean.
*/
new;
rndseed 2024;
data = seqa(1, 1, 40)^1.5;
n = rows(data);
nboot = 400;
means = zeros(nboot, 1);
medians = zeros(nboot, 1);
b = 1;
do while b <= nboot;
    idx = ceil(rndu(n, 1) * n);
    sample = data[idx];
    means[b] = meanc(sample);
    medians[b] = median(sample);
    b = b + 1;
endo;
textbook = stdc(data) / sqrt(n);
print "observations " n " replications " nboot;
print "mean of the data " meanc(data);
ratio = stdc(means) / textbook;
print "bootstrap se of the mean close to the textbook se " (ratio > 0.85 and ratio < 1.15);
print "bootstrap se of the median is positive " (stdc(medians) > 0);
