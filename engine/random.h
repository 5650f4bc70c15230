// Park-Miller generator (multiplier 48271, Schrage's method).
#pragma once

extern int gRndState;

void SeedRnd(int seed);
double RndUnit();
double RndFloat(double a, double b);
int RndInt(int a, int b);
