// The cross-promotion data (see xselldata.h).
#include "services/xselldata.h"

#include <cctype>
#include <cstring>

#include "core/log.h"
#include "core/xml.h"
#include "platform/platform.h"

namespace {
bool FillFrom(TXmlNode& document, TXSellData* data) {
  TXmlNode* root = document.FindChild("xsell");
  if (!root) return false;
  TXSellData out;
  for (const auto& child : root->GetChildren()) {
    const TString& name = child->GetName();
    if (name == "gameinfo") {
      if (static_cast<int>(out.games.size()) < TXSellData::kMaxGames)
        out.games.push_back(TXSellGame{child->GetAttribute("description"), child->GetAttribute("linktext"),
                                       child->GetAttribute("link")});
    } else if (name == "sitelink") {
      out.hasSiteLink = true;
      out.siteLink = child->GetAttribute("link");
    } else if (name == "centertext") {
      out.hasCenterText = true;
      out.centerText1 = child->GetAttribute("text1");
      out.centerText2 = child->GetAttribute("text2");
    }
  }
  *data = std::move(out);
  return true;
}

bool StartsWithNoCase(const TString& text, const char* prefix) {
  const char* p = text.CStr();
  for (; *prefix; ++p, ++prefix)
    if (!*p || std::tolower(static_cast<unsigned char>(*p)) != *prefix) return false;
  return true;
}
}  // namespace

bool LoadXSellData(const TString& path, TXSellData* data) {
  TXmlNode document;
  return document.Load(path) && FillFrom(document, data);
}

bool ParseXSellData(const char* text, TXSellData* data) {
  TXmlNode document;
  return text && document.LoadFromBuffer(text, std::strlen(text)) && FillFrom(document, data);
}

TString XSellDescriptionText(const TXSellGame& game, int number) {
  TString text = game.description;
  if (game.linkText.IsEmpty()) return text;
  return text + TString::Format(" <u><font color=\"003cff\"><a id='xsellbutton%d'>", number) + game.linkText +
         "</a></font></u>";
}

bool IsOpenableXSellLink(const TString& link) {
  return StartsWithNoCase(link, "http:") || StartsWithNoCase(link, "https:") || StartsWithNoCase(link, "mailto:");
}

void TXSellLinks::Set(const TXSellData& data) {
  mSiteLink = data.siteLink;
  for (size_t i = 0; i < mGameLinks.size(); ++i) mGameLinks[i] = i < data.games.size() ? data.games[i].link : TString();
}

TString TXSellLinks::Get(int32_t index) const {
  if (index == 0) return mSiteLink;
  if (index < 1 || index > TXSellData::kMaxGames) return TString();
  return mGameLinks[static_cast<size_t>(index - 1)];
}

bool TXSellLinks::Launch(int32_t index, const TOpener& opener) const {
  TString link = Get(index);
  if (link.IsEmpty()) {
    LogPrintf("Cross-promotion link %d is not set", index);
    return false;
  }
  // A link that names a program or a local file would be started by the desktop: refuse it.
  if (!IsOpenableXSellLink(link)) {
    LogPrintf("Cross-promotion link %d is not a web link: %s", index, link.CStr());
    return false;
  }
  if (opener) {
    opener(link);
  } else if (TPlatform* platform = TPlatform::GetInstance()) {
    platform->OpenUrl(link);
  } else {
    return false;
  }
  return true;
}
