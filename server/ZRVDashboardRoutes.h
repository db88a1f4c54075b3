#pragma once
// The JSON API of the operator's web page: one route per operation, with the right it needs.

#include "ZRVDashboard.h"

struct TZRVDashboardRoute {
    QByteArray Method;
    // The path; each "*" takes one part of it, handed to the route in TZRVHttpCall::Params.
    QString Pattern;
    // Open to anyone (the sign-in); otherwise for a signed-in employee holding Right (urNone: any).
    bool Public = false;
    TZRVUserRight Right = urNone;
    void (*Run)(TZRVDashboard& aDashboard, const TZRVHttpCallPtr& aCall) = nullptr;
};

const std::vector<TZRVDashboardRoute>& ZRVDashboardRoutes();
