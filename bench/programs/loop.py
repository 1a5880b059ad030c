# Ten million iterations of a loop with a scalar update.
s = 0.0
n = 10000000
for i in range(n):
    s = s + i * 0.5
print("s =", s)
