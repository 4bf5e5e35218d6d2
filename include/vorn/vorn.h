#pragma once
// The whole engine API.

#include <vorn/AttributeDef.h>
#include <vorn/AttributeValues.h>
#include <vorn/Attributes.h>
#include <vorn/CoreData.h>
#include <vorn/CoreDatabase.h>
#include <vorn/CoreFile.h>
#include <vorn/CoreList.h>
#include <vorn/CoreServices.h>
#include <vorn/DataTypes.h>
#include <vorn/Diagnostic.h>
#include <vorn/Element.h>
#include <vorn/ElementDef.h>
#include <vorn/ElementSource.h>
#include <vorn/Elements.h>
#include <vorn/Enumeration.h>
#include <vorn/ErrorTextBudget.h>
#include <vorn/KeyedCollection.h>
#include <vorn/NestingGuard.h>
#include <vorn/Object.h>
#include <vorn/Package.h>
#include <vorn/Persistent.h>
#include <vorn/ScriptFile.h>
#include <vorn/SourceSpan.h>
#include <vorn/Structure.h>
#include <vorn/Variant.h>
