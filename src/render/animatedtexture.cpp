// Animated textures: finding and parsing the XML and binary frame descriptions, loading the sheet
// and drawing the current frame. The binary reader checks every count and length against the bytes
// left, so a damaged file is refused instead of over-allocating or reading past its end.
#include "render/animatedtexture.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "core/file.h"
#include "core/log.h"
#include "core/xml.h"
#include "render/assetmanager.h"
#include "render/textureservices.h"

TMat3 TAnimFrame::GetTransform() const {
  const float* t = transform;
  return TMat3(t[0], t[1], 0, t[2], t[3], 0, t[4], t[5], 1);
}

TString MakeDefaultAnimationScript(int32_t frameCount) {
  TString script = "function DoAnim()\n    delay(60);\n";
  if (frameCount > 0) {
    script += "    frames{";
    for (int32_t i = 1; i <= frameCount; ++i) script += TString::Format(i == 1 ? "%d" : ",%d", i);
    script += "};\n";
  }
  script += "end\n";
  return script;
}

namespace {

void UpdateLargest(TAnimation* anim, const TAnimFrame& frame) {
  if (frame.width > anim->maxWidth) anim->maxWidth = frame.width;
  if (frame.height > anim->maxHeight) anim->maxHeight = frame.height;
}

int AttrInt(const TXmlNode* node, const char* name) { return node->GetAttribute(name).ToInt(); }

// Up to six blank-separated numbers into the transform, in order.
void ParseTransform(const TString& text, float* out) {
  const char* p = text.CStr();
  for (int i = 0; i < 6; ++i) {
    char* end = nullptr;
    float value = std::strtof(p, &end);
    if (end == p) break;
    out[i] = value;
    p = end;
  }
}

void ReadXmlFrame(const TXmlNode* node, const TAnimFrame* previous, TAnimFrame* frame) {
  frame->x = AttrInt(node, "x");
  frame->y = AttrInt(node, "y");
  frame->width = AttrInt(node, "w");
  frame->height = AttrInt(node, "h");
  frame->name = node->GetAttribute("name");
  TString alpha = node->GetAttribute("alpha");
  frame->alpha = alpha.IsEmpty() ? 1.0f : alpha.ToFloat();
  if (!node->GetAttribute("regx").IsEmpty()) {
    frame->regX = AttrInt(node, "regx");
    frame->regY = AttrInt(node, "regy");
  } else if (previous) {
    frame->regX = previous->regX;
    frame->regY = previous->regY;
  }
  TString xform = node->GetAttribute("xform");
  if (!xform.IsEmpty()) {
    ParseTransform(xform, frame->transform);
  } else if (previous) {
    std::memcpy(frame->transform, previous->transform, sizeof frame->transform);
  }
  for (const auto& child : node->GetChildren()) {
    if (!(child->GetName() == "anchor")) continue;
    frame->anchors.push_back({child->GetAttribute("name"), AttrInt(child.get(), "x"),
                              AttrInt(child.get(), "y")});
  }
}

// Little-endian reader over a byte block that refuses to go past its end.
class ByteReader {
 public:
  ByteReader(const void* data, size_t size) : mP(static_cast<const uint8_t*>(data)), mLeft(size) {}

  size_t Left() const { return mLeft; }
  bool Int(int32_t* out) {
    uint32_t v;
    if (!U32(&v)) return false;
    *out = static_cast<int32_t>(v);
    return true;
  }
  bool Float(float* out) {
    uint32_t v;
    if (!U32(&v)) return false;
    std::memcpy(out, &v, sizeof v);
    return true;
  }
  // A 32-bit length n and n bytes; n <= 0 is the empty text. n beyond the data fails.
  bool String(TString* out) {
    int32_t n;
    if (!Int(&n)) return false;
    if (n <= 0) {
      *out = TString();
      return true;
    }
    if (static_cast<size_t>(n) > mLeft) return false;
    *out = TString(reinterpret_cast<const char*>(mP), n);
    Skip(static_cast<size_t>(n));
    return true;
  }
  bool Tag(const char* tag) {
    if (mLeft < 4 || std::memcmp(mP, tag, 4) != 0) return false;
    Skip(4);
    return true;
  }
  // True when count records of at least minSize bytes each could still follow.
  bool CountFits(int32_t count, size_t minSize) const {
    return count >= 0 && static_cast<uint64_t>(count) <= mLeft / minSize;
  }

 private:
  bool U32(uint32_t* out) {
    if (mLeft < 4) return false;
    *out = uint32_t(mP[0]) | uint32_t(mP[1]) << 8 | uint32_t(mP[2]) << 16 | uint32_t(mP[3]) << 24;
    Skip(4);
    return true;
  }
  void Skip(size_t n) {
    mP += n;
    mLeft -= n;
  }

  const uint8_t* mP;
  size_t mLeft;
};

// Smallest frame record: six integers, six floats, a name length and an anchor count.
constexpr size_t kMinFrameBytes = 6 * 4 + 6 * 4 + 4 + 4;
// Smallest anchor record: two integers and a name length.
constexpr size_t kMinAnchorBytes = 3 * 4;

bool ReadBinaryFrame(ByteReader& in, int32_t version, TAnimFrame* frame) {
  if (!in.Int(&frame->regX) || !in.Int(&frame->regY) || !in.Int(&frame->x) || !in.Int(&frame->y) ||
      !in.Int(&frame->width) || !in.Int(&frame->height))
    return false;
  if (version > 1 && !in.Float(&frame->alpha)) return false;
  for (float& value : frame->transform) {
    if (!in.Float(&value)) return false;
  }
  int32_t anchors;
  if (!in.String(&frame->name) || !in.Int(&anchors)) return false;
  if (anchors <= 0) return true;
  if (!in.CountFits(anchors, kMinAnchorBytes)) return false;
  frame->anchors.resize(static_cast<size_t>(anchors));
  for (TAnimAnchor& anchor : frame->anchors) {
    if (!in.Int(&anchor.x) || !in.Int(&anchor.y) || !in.String(&anchor.name)) return false;
  }
  return true;
}

// Reads a whole description file; false when it cannot be opened, is too large or reads short.
bool ReadDescriptionFile(const TString& path, std::vector<char>* bytes) {
  TFile file;
  if (!file.Open(path, kFileReadBinary)) return false;
  long size = file.GetSize();
  if (size < 0 || size > kMaxAnimationFile) {
    LogPrintf("Animation %s is too large to read", path.CStr());
    return false;
  }
  bytes->resize(static_cast<size_t>(size));
  return size == 0 || file.Read(bytes->data(), size) == size;
}

}  // namespace

bool ParseAnimationXml(const void* data, size_t size, const TString& fileName, TAnimation* anim) {
  TXmlNode doc;
  if (!doc.LoadFromBuffer(data, size)) {
    LogPrintf("Animation %s could not be read", fileName.CStr());
    return false;
  }
  const TXmlNode* sequence = doc.FindChild("sequence");
  if (!sequence) {
    LogPrintf("Animation %s does not contain a sequence node", fileName.CStr());
    return false;
  }
  anim->sequenceName = sequence->GetAttribute("name");
  anim->source = sequence->GetAttribute("source");
  bool ok = true;
  if (const TXmlNode* img = sequence->FindChild("img")) {
    if (!img->GetAttribute("regx").IsEmpty()) {
      anim->imageRegX = AttrInt(img, "regx");
      anim->imageRegY = AttrInt(img, "regy");
    }
    anim->imageWidth = AttrInt(img, "w");
    anim->imageHeight = AttrInt(img, "h");
    anim->imageName = img->GetAttribute("name");
    anim->maskName = img->GetAttribute("mask");
  } else {
    LogPrintf("Animation %s does not contain an img node", fileName.CStr());
    ok = false;
  }
  const TXmlNode* framelist = sequence->FindChild("framelist");
  if (!framelist) {
    LogPrintf("Animation %s does not contain a framelist node", fileName.CStr());
    return false;
  }
  size_t count = 0;
  for (const auto& child : framelist->GetChildren()) count += child->GetName() == "frame" ? 1 : 0;
  if (count == 0) {
    LogPrintf("Animation %s does not contain any frames!", fileName.CStr());
    return false;
  }
  anim->frames.resize(count);
  size_t index = 0;
  for (const auto& child : framelist->GetChildren()) {
    if (!(child->GetName() == "frame")) continue;
    TAnimFrame& frame = anim->frames[index];
    ReadXmlFrame(child.get(), index > 0 ? &anim->frames[index - 1] : nullptr, &frame);
    UpdateLargest(anim, frame);
    ++index;
  }
  if (const TXmlNode* script = sequence->FindChild("script")) {
    anim->script = script->GetAttribute("luascript");
    if (anim->script.IsEmpty()) anim->script = script->GetText();
  } else {
    anim->script = MakeDefaultAnimationScript(anim->GetFrameCount());
  }
  return ok;
}

bool ParseAnimationBinary(const void* data, size_t size, const TString& fileName, TAnimation* anim) {
  ByteReader in(data, size);
  auto damaged = [&](const char* what) {
    LogPrintf("Animation %s is damaged (%s)", fileName.CStr(), what);
    return false;
  };
  int32_t unused, version, frameCount;
  if (!in.Tag("ANIM")) return damaged("no ANIM tag");
  if (!in.Int(&unused) || !in.Int(&version) || !in.String(&anim->sequenceName) ||
      !in.String(&anim->source))
    return damaged("header");
  if (!in.Tag("IMGN")) return damaged("no IMGN tag");
  if (!in.Int(&anim->imageRegX) || !in.Int(&anim->imageRegY) || !in.Int(&anim->imageWidth) ||
      !in.Int(&anim->imageHeight))
    return damaged("image");
  if (version == 1) {
    float ignored;
    for (int i = 0; i < 4; ++i) {
      if (!in.Float(&ignored)) return damaged("image");
    }
  }
  if (!in.String(&anim->imageName) || !in.String(&anim->maskName)) return damaged("image names");
  if (!in.Tag("FRMS")) return damaged("no FRMS tag");
  if (!in.Int(&frameCount)) return damaged("frame count");
  if (frameCount < 0)
    LogPrintf("Animation %s gives a negative frame count (%d), read without frames", fileName.CStr(), frameCount);
  if (frameCount > 0) {
    size_t minFrame = kMinFrameBytes + (version > 1 ? 4 : 0);
    if (!in.CountFits(frameCount, minFrame)) return damaged("frame count beyond the file");
    anim->frames.resize(static_cast<size_t>(frameCount));
    for (TAnimFrame& frame : anim->frames) {
      if (!ReadBinaryFrame(in, version, &frame)) return damaged("frame");
      UpdateLargest(anim, frame);
    }
  }
  if (in.Tag("SCRP")) {
    if (!in.String(&anim->script)) return damaged("script");
  } else {
    anim->script = MakeDefaultAnimationScript(anim->GetFrameCount());
  }
  return true;
}

TAnimatedTexture::TAnimatedTexture(const TString& fileName) : mAnim(std::make_unique<TAnimation>()) {
  mAnim->fileName = fileName;
}

TAnimatedTexture::~TAnimatedTexture() = default;

TString TAnimatedTexture::MakeKey(const TString& name, const TString& image, const TString& mask) {
  return name + ":" + image + ":" + mask;
}

std::shared_ptr<TAnimatedTexture> TAnimatedTexture::Get(const TString& name, const TString& image,
                                                        const TString& mask) {
  TString key = MakeKey(name, image, mask);
  TAssetManager* assets = TAssetManager::GetInstance();
  if (assets) {
    if (auto found = KindCast<TAnimatedTexture>(assets->Find(key))) return found;
  }
  auto texture = std::make_shared<TAnimatedTexture>(name);
  if (assets) assets->Register(key, texture);
  if (!texture->Resolve(image, mask) || !texture->LoadSheet()) return nullptr;
  return texture;
}

bool TAnimatedTexture::Resolve(const TString& image, const TString& mask) {
  TString chosen = mAnim->fileName;
  if (!FileExists(chosen)) {
    chosen = mAnim->fileName + ".xml";
    if (!FileExists(chosen)) {
      chosen = mAnim->fileName + ".anm";
      if (!FileExists(chosen)) return false;
    }
  }
  bool xml = chosen.Find(".xml", kStringNoCase) >= 0;
  if (!xml && chosen.Find(".anm", kStringNoCase) < 0) return false;
  std::vector<char> bytes;
  if (!ReadDescriptionFile(chosen, &bytes)) return false;
  const char* data = bytes.empty() ? "" : bytes.data();
  bool parsed = xml ? ParseAnimationXml(data, bytes.size(), chosen, mAnim.get())
                    : ParseAnimationBinary(data, bytes.size(), chosen, mAnim.get());
  if (!parsed) return false;
  int slash = std::max(chosen.FindChar('\\', kStringBackwards), chosen.FindChar('/', kStringBackwards));
  mAnim->folder = slash >= 0 ? chosen.SubString(0, slash + 1) : TString();
  if (!image.IsEmpty()) mAnim->imageName = image;
  if (!mask.IsEmpty()) mAnim->maskName = mask;
  return true;
}

bool TAnimatedTexture::LoadSheet() {
  const TAnimation& a = *mAnim;
  TString folderMask = a.maskName.IsEmpty() ? TString() : a.folder + a.maskName;
  mSheet = LoadSheetTexture(a.folder + a.imageName, folderMask);
  if (!mSheet) mSheet = LoadSheetTexture(a.imageName, a.maskName);
  return mSheet != nullptr;
}

void TAnimatedTexture::Unload() {
  if (mSheet) mSheet->Unload();
}

void TAnimatedTexture::Restore() {
  if (mSheet) mSheet->Restore();
}

void TAnimatedTexture::CopyRect(int x, int y, const TRect* source, TTexture* destination) {
  if (mSheet) mSheet->CopyRect(x, y, source, destination);
}

const TAnimFrame* TAnimatedTexture::CurrentFrame() const {
  int32_t i = mAnim->currentFrame;
  return i >= 0 && i < mAnim->GetFrameCount() ? &mAnim->frames[static_cast<size_t>(i)] : nullptr;
}

int32_t TAnimatedTexture::GetWidth() const {
  const TAnimFrame* frame = CurrentFrame();
  return frame ? frame->width : 0;
}

int32_t TAnimatedTexture::GetHeight() const {
  const TAnimFrame* frame = CurrentFrame();
  return frame ? frame->height : 0;
}

TRect TAnimatedTexture::GetFrameRect(int32_t index) const {
  if (index < 0 || index >= mAnim->GetFrameCount()) return TRect();
  const TAnimFrame& f = mAnim->frames[static_cast<size_t>(index)];
  return TRect(f.x, f.y, f.x + f.width, f.y + f.height);
}

TVec2 TAnimatedTexture::GetFrameOrigin(int32_t index) const {
  if (index < 0 || index >= mAnim->GetFrameCount()) return TVec2();
  const TAnimFrame& f = mAnim->frames[static_cast<size_t>(index)];
  return TVec2(float(f.regX), float(f.regY));
}

void TAnimatedTexture::Draw(const TDrawSpec& drawSpec) {
  // A current frame outside the list (as well as -1) draws nothing.
  const TAnimFrame* frame = CurrentFrame();
  if (!frame || !mSheet) return;
  TDrawSpec s = drawSpec;
  if (!(s.flags & kDrawUseAnchor)) {
    s.flags |= kDrawUseAnchor;
    s.anchor = TVec2(float(frame->regX), float(frame->regY));
    if (s.flags & kDrawMirrorX) s.anchor.x = float(GetWidth() - frame->regX);
    if (s.flags & kDrawMirrorY) s.anchor.y = float(GetHeight() - frame->regY);
  }
  if (frame->HasTransform()) s.transform = frame->GetTransform() * s.transform;
  if (frame->width == 0) return;
  TRect frameRect(frame->x, frame->y, frame->x + frame->width, frame->y + frame->height);
  if (s.flags & kDrawUseSourceRect) {
    TRect moved(s.sourceRect.left + frame->x, s.sourceRect.top + frame->y,
                s.sourceRect.right + frame->x, s.sourceRect.bottom + frame->y);
    s.sourceRect.Intersect(moved, frameRect);
  } else {
    s.flags |= kDrawUseSourceRect;
    s.sourceRect = frameRect;
  }
  s.alpha *= frame->alpha;
  mSheet->Draw(s);
}
