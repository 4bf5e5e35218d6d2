#pragma once
// The whole engine API.

#include <vorn/CoreData.h>
#include <vorn/CoreDatabase.h>
#include <vorn/CoreFile.h>
#include <vorn/CoreList.h>
#include <vorn/CoreServices.h>
#include <vorn/DataTypes.h>
#include <vorn/Object.h>
#include <vorn/Package.h>
#include <vorn/Persistent.h>
#include <vorn/Variant.h>
