#include "tag/affiliate_configuration.h"

std::u16string affiliateProperties = u"AFFILIATEID=qzv2011aid30017xx-XX AFFILIATEIDFLAGS=#0";

void LoadAffiliateConfiguration(const std::u16string&) {
  // Placeholder until the signature tag reader lands: the default properties stay.
}
