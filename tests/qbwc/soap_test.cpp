// The SOAP envelope as the Web Connector writes it, and as a hostile client might.
#include <gtest/gtest.h>

#include <pugixml.hpp>

#include "qbwc/soap_call.h"
#include "qbwc/soap_fault.h"
#include "qbwc/soap_response.h"
#include "web_connector_player.h"

using namespace ztl::qbwc;

namespace {

const XmlLimits kLimits{};

std::string nested(int depth) {
    std::string open, close;
    for (int i = 0; i < depth; ++i) {
        open += "<a>";
        close = "</a>" + close;
    }
    return open + close;
}

std::string envelopeAround(const std::string& method) {
    return "<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\"><soap:Body>" + method +
           "</soap:Body></soap:Envelope>";
}

}  // namespace

TEST(SoapCall, ReadsTheWebConnectorsEnvelopeWhateverItsPrefixes) {
    const std::string qbxml =
        "<?xml version=\"1.0\" ?>\r\n<QBXML><QBXMLMsgsRs><AccountQueryRs statusMessage=\"Status OK\">"
        "<Name>R&D \"Lab\"</Name></AccountQueryRs></QBXMLMsgsRs></QBXML>\r\n";
    SoapCall dotNet = parseSoapCall(
        test::soapEnvelope("receiveResponseXML",
                           {{"ticket", "t1"}, {"response", qbxml}, {"hresult", ""}, {"message", ""}}),
        "\"http://developer.intuit.com/receiveResponseXML\"", kLimits);
    EXPECT_EQ(dotNet.method, "receiveResponseXML");
    EXPECT_EQ(dotNet.param("ticket"), "t1");
    EXPECT_EQ(dotNet.param("response"), qbxml) << "the escaped qbXML arrives byte for byte, CR LF included";
    EXPECT_EQ(dotNet.param("hresult"), "");
    EXPECT_EQ(dotNet.param("absent"), "");

    SoapCall prefixed = parseSoapCall(
        "<e:Envelope xmlns:e=\"http://schemas.xmlsoap.org/soap/envelope/\"><e:Header/><e:Body>"
        "<i:authenticate xmlns:i=\"http://developer.intuit.com/\"><i:strUserName>clerk</i:strUserName>"
        "<i:strPassword><![CDATA[a<b]]>&amp;c</i:strPassword></i:authenticate></e:Body></e:Envelope>",
        "", kLimits);
    EXPECT_EQ(prefixed.method, "authenticate");
    EXPECT_EQ(prefixed.param("strUserName"), "clerk");
    EXPECT_EQ(prefixed.param("strPassword"), "a<b&c");
}

TEST(SoapCall, RefusesWhatIsNotAWebConnectorCall) {
    struct Case {
        const char* what;
        std::string body;
        std::string soapAction;
        const char* reason;  // part of the fault text
    };
    const std::string billionLaughs =
        "<?xml version=\"1.0\"?><!DOCTYPE lolz [<!ENTITY lol \"lol\"><!ENTITY lol2 \"&lol;&lol;&lol;\">]>" +
        envelopeAround(
            "<getLastError xmlns=\"http://developer.intuit.com/\"><ticket>&lol2;</ticket></getLastError>");
    const Case cases[] = {
        {"entity declarations", billionLaughs, "", "declarations"},
        {"an external entity", "<!ENTITY x SYSTEM \"file:///etc/passwd\">" + envelopeAround(""), "",
         "declarations"},
        {"deep nesting", envelopeAround(nested(40)), "", "nested"},
        {"a body over the limit", std::string(kLimits.maxBytes + 1, ' '), "", "bytes"},
        {"not XML", "<soap:Envelope", "", "not XML"},
        {"binary", std::string("\x00\x01\xff<x/>", 7), "", "not XML"},
        {"SOAP 1.2", "<Envelope xmlns=\"http://www.w3.org/2003/05/soap-envelope\"><Body/></Envelope>", "",
         "SOAP 1.1"},
        {"no Body", "<s:Envelope xmlns:s=\"http://schemas.xmlsoap.org/soap/envelope/\"/>", "", "no Body"},
        {"a method in another namespace", envelopeAround("<authenticate xmlns=\"urn:other\"/>"), "",
         "namespace"},
        {"an unknown method", envelopeAround("<dropTables xmlns=\"http://developer.intuit.com/\"/>"), "",
         "no method"},
        {"a SOAPAction naming another method", test::soapEnvelope("getLastError", {{"ticket", "t"}}),
         "\"http://developer.intuit.com/closeConnection\"", "SOAPAction"},
        {"a parameter given twice",
         envelopeAround(
             "<getLastError xmlns=\"http://developer.intuit.com/\"><ticket>a</ticket><ticket>b</ticket>"
             "</getLastError>"),
         "", "twice"},
        {"markup inside a parameter",
         envelopeAround(
             "<getLastError xmlns=\"http://developer.intuit.com/\"><ticket><x/></ticket></getLastError>"),
         "", "markup"},
    };
    for (const Case& c : cases) {
        try {
            parseSoapCall(c.body, c.soapAction, kLimits);
            ADD_FAILURE() << c.what << " was accepted";
        } catch (const SoapFault& f) {
            EXPECT_TRUE(f.clientFault) << c.what;
            EXPECT_NE(std::string(f.what()).find(c.reason), std::string::npos) << c.what << ": " << f.what();
        }
    }
}

TEST(SoapCall, MarkupLookalikesInTextCommentsAndCdataAreNotMarkup) {
    XmlLimits tight;
    tight.maxDepth = 6;
    std::string body = envelopeAround(
        "<!-- <!DOCTYPE x> <a><a><a><a><a><a><a> --><getLastError xmlns=\"http://developer.intuit.com/\">"
        "<ticket><![CDATA[<!ENTITY e \"x\"><a><a><a><a><a><a>]]></ticket></getLastError>");
    EXPECT_EQ(parseSoapCall(body, "", tight).param("ticket"), "<!ENTITY e \"x\"><a><a><a><a><a><a>");
    EXPECT_FALSE(xmlRefusal("<a b=\"x>y\"><c/><c/><c/></a>", tight));
    EXPECT_TRUE(xmlRefusal(nested(7), tight));
    EXPECT_FALSE(xmlRefusal(nested(6), tight));
}

TEST(SoapResponse, ResultsCarryTheirTextExactlyAndFaultsSayWhy) {
    const std::string request =
        "<?xml version=\"1.0\" ?>\r\n<!DOCTYPE QBXML PUBLIC '-//INTUIT//DTD QBXML QBD 1.0//EN'>"
        "\r\n<QBXML><Memo> Korvane &amp; Sons' </Memo></QBXML>\r\n";
    for (const std::string& text :
         {request, std::string(), std::string("NoOp"), std::string("\t\n<&>\"'\r")}) {
        pugi::xml_document doc;
        ASSERT_TRUE(doc.load_string(soapResult("sendRequestXML", text).c_str()));
        pugi::xml_node result = doc.child("soap:Envelope")
                                    .child("soap:Body")
                                    .child("sendRequestXMLResponse")
                                    .child("sendRequestXMLResult");
        ASSERT_TRUE(result);
        EXPECT_EQ(std::string(result.text().get()), text);
        EXPECT_STREQ(doc.child("soap:Envelope")
                         .child("soap:Body")
                         .child("sendRequestXMLResponse")
                         .attribute("xmlns")
                         .value(),
                     "http://developer.intuit.com/");
    }

    pugi::xml_document array;
    ASSERT_TRUE(array.load_string(soapStringArrayResult("authenticate", {"ab12", ""}).c_str()));
    pugi::xml_node r =
        array.first_element_by_path("soap:Envelope/soap:Body/authenticateResponse/authenticateResult");
    std::vector<std::string> items;
    for (pugi::xml_node s : r.children("string")) items.push_back(s.text().get());
    EXPECT_EQ(items, (std::vector<std::string>{"ab12", ""}));

    pugi::xml_document fault;
    ASSERT_TRUE(fault.load_string(soapFaultEnvelope(true, "no <session>").c_str()));
    pugi::xml_node f = fault.first_element_by_path("soap:Envelope/soap:Body/soap:Fault");
    EXPECT_STREQ(f.child("faultcode").text().get(), "soap:Client");
    EXPECT_STREQ(f.child("faultstring").text().get(), "no <session>");

    EXPECT_TRUE(isXmlText("tab\tnew\nret\r\xc3\xa9"));
    EXPECT_FALSE(isXmlText(std::string("nul\0", 4)));
    EXPECT_FALSE(isXmlText("bell\x07"));
}
